// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as an AGI sound resource for the VGM export. Beyond not crashing: the file's
// offsets point inside it, and its waits add up to the total it declares.
#include "sound/VgmWriter.h"

#include <cstdint>
#include <cstdlib>

namespace
{
void Check(bool bCondition)
{
    if (!bCondition)
        std::abort();
}

std::uint32_t LE32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const FadeKind fade : {FadeKind::None, FadeKind::V3})
    {
        const auto vgm = BuildVgm(data, size, {.chip = SynthKind::Tandy, .fade = fade});
        if (!vgm.Ok())
            continue;
        const std::vector<std::uint8_t>& b = vgm.Value();
        Check(b.size() > 0x40 && LE32(b, 0x04) == b.size() - 4);
        const std::size_t tagAt = 0x14 + LE32(b, 0x14);
        Check(tagAt < b.size());
        std::uint64_t samples = 0;
        std::size_t pos = 0x40;
        while (b[pos] != 0x66)
        {
            Check(pos < tagAt);
            if (b[pos] == 0x50)
                pos += 2;
            else if (b[pos] == 0x62)
                samples += 735, pos += 1;
            else
            {
                Check(b[pos] == 0x61);
                samples += b[pos + 1] | b[pos + 2] << 8;
                pos += 3;
            }
        }
        Check(pos + 1 == tagAt && samples == LE32(b, 0x18));
    }
    return 0;
}
