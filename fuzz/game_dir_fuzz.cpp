// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a game's sound directory and volume file: the first byte gives the directory's
// entry count, the next 3 bytes per entry are the directory, the rest is the volume file
// every entry points into. Beyond not crashing: what reads back is what the bytes hold, and
// a written entry or volume record reads back as itself. The same bytes are then listed as
// a game folder whose LOGDIR points at every resource signature in the volume file: no sound
// listed as sound runs into another resource or past the file's end.
#include "FuzzFolder.h"
#include "game/AgiVolume.h"
#include "game/GameFolder.h"
#include "sound/AgiResource.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

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
    if (const Result<std::int64_t> ticks = MeasureAgiResource(resource); ticks.Ok())
        Check(ticks.Value() >= 0 &&
              ticks.Value() <= 0xFFFFll * static_cast<std::int64_t>(resource.size()));
}
// Every start of a record in vol, as the entries of a LOGDIR (at most 256).
GameBytes SignatureDirectory(const GameBytes& vol, std::set<std::uint32_t>& starts)
{
    GameBytes dir;
    for (std::size_t i = 0; i + 1 < std::min<std::size_t>(vol.size(), kMaxVolBytes); ++i)
        if (vol[i] == 0x12 && vol[i + 1] == 0x34 && starts.size() <= kMaxResourceNumber)
        {
            SetDirEntry(dir, DirEntryCount(dir), {false, 0, static_cast<std::uint32_t>(i)});
            starts.insert(static_cast<std::uint32_t>(i));
        }
    return dir;
}

void CheckListing(const GameBytes& dir, const GameBytes& vol)
{
    std::set<std::uint32_t> starts;
    const std::string path = FolderPath();
    WriteFile(path + "/SNDDIR", dir);
    WriteFile(path + "/VOL.0", vol);
    WriteFile(path + "/LOGDIR", SignatureDirectory(vol, starts));
    for (int n = 0; n < std::min(DirEntryCount(dir), kMaxResourceNumber + 1); ++n)
        if (const AgiDirEntry entry = ReadDirEntry(dir, n); !entry.bEmpty && entry.volume == 0)
            starts.insert(entry.offset);

    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    Check(game.Open(path).empty() && game.ListSounds(sounds).empty());
    Check(sounds.size() <= kMaxResourceNumber + 1);
    for (const GameSoundInfo& sound : sounds)
    {
        GameBytes resource;
        const bool bReadable = game.ReadSound(sound.number, resource).empty();
        // The listing and a read agree on what is damaged.
        if (!bReadable)
        {
            Check(!sound.damaged.empty() && sound.bytes == 0);
            continue;
        }
        Check(resource.size() == sound.bytes);
        const AgiDirEntry entry = ReadDirEntry(dir, sound.number);
        const std::uint64_t end = entry.offset + kVolHeaderBytes + resource.size();
        Check(end <= vol.size());
        const auto next = starts.upper_bound(entry.offset);
        Check(next == starts.end() || *next >= end);
    }
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
    CheckListing(dir, vol);
    return 0;
}
