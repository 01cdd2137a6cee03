// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as an AGI sound resource. Beyond not crashing: what the import accepts gives a
// document that exports to MIDI, and whose AGI export, imported and exported again, comes
// out the same.
#include "sound/AgiFile.h"
#include "sound/SoundDoc.h"

#include <cstdint>
#include <cstdlib>

namespace
{
// Keeps each run short: a longer song only repeats the same work.
constexpr std::int32_t kMaxCheckedRows = 65536;

void Check(bool bCondition)
{
    if (!bCondition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CSoundDoc doc;
    if (!ImportAgi(doc, {data, data + size}))
        return 0;

    // Each channel is a run of 32-row patterns placed every 32 rows from 0, the last one
    // ending with the channel; the longest channel ends the song.
    for (int c = 0; c < kChannelCount; ++c)
    {
        std::int32_t next = 0;
        for (const auto& [pos, pPattern] : doc.GetSequence(c))
        {
            Check(pos == next && pPattern->GetRows() > 0 && pPattern->GetRows() <= 32);
            next = pos + pPattern->GetRows();
        }
        Check(doc.GetPatterns(c).size() == doc.GetSequence(c).size());
        Check(next <= doc.GetPlayRange().end);
    }
    Check(doc.GetWholeSongEnd() == doc.GetPlayRange().end);

    if (doc.GetPlayRange().end > kMaxCheckedRows)
        return 0;
    Check(doc.BuildMIDIFile({0, 0, 0}, doc.GetPlayRange()).Value().compare(0, 4, "MThd") == 0);
    const auto once = BuildAgiBytes(doc, doc.GetPlayRange());
    if (!once)
        return 0;
    CSoundDoc again;
    Check(ImportAgi(again, once.Value()).Ok());
    const auto twice = BuildAgiBytes(again, again.GetPlayRange());
    Check(twice.Ok() && twice.Value() == once.Value());
    return 0;
}
