// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a game's sound directory and volume file: the first byte gives the directory's
// entry count, the next 3 bytes per entry are the directory, the rest is the volume file
// every entry points into. Beyond not crashing: what reads back is what the bytes hold, and
// a written entry or volume record reads back as itself.
#include "game/AgiVolume.h"
#include "sound/AgiResource.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace
{
void Check(bool bCondition)
{
    if (!bCondition)
        std::abort();
}

void CheckEntry(const GameBytes& dir, const GameBytes& vol, int n)
{
    const AgiDirEntry entry = ReadDirEntry(dir, n);
    GameBytes copy = dir;
    SetDirEntry(copy, n, entry);
    Check(ReadDirEntry(copy, n) == entry);
    if (entry.bEmpty)
        return;
    Check(entry.volume <= kMaxVolNumber && entry.offset < kMaxVolBytes);

    GameBytes resource;
    if (!ReadVolResource(vol, "VOL.0", entry, resource).empty())
        return;
    Check(resource.size() <= 0xFFFF);
    const GameBytes record = MakeVolRecord(vol[entry.offset + 2], resource);
    Check(std::equal(record.begin(), record.end(), vol.begin() + entry.offset));
    std::int64_t ticks = -1;
    if (MeasureAgiResource(resource, ticks).empty())
        Check(ticks >= 0 && ticks <= 0xFFFFll * static_cast<std::int64_t>(resource.size()));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t dirBytes = std::min<std::size_t>(data[0] * kDirEntryBytes, size - 1);
    const GameBytes dir(data + 1, data + 1 + dirBytes);
    const GameBytes vol(data + 1 + dirBytes, data + size);
    // One past the end too: an entry beyond the directory reads as empty.
    for (int n = 0; n <= DirEntryCount(dir); ++n)
        CheckEntry(dir, vol, n);
    return 0;
}
