// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AgiResource.h"
#include "sound/ImportedSong.h"
#include "sound/SoundDoc.h"

#include <cstdlib>

// Beyond not crashing: the records are what a channel can play, and the document built from
// them exports to exactly the size the import foresaw.
inline void CheckImportedSong(const ImportedSong& song)
{
    auto check = [](bool bCondition)
    {
        if (!bCondition)
            std::abort();
    };
    check(song.lengthTicks >= 0 && song.lengthTicks <= kMaxImportedTicks);
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        std::int64_t at = 0;
        for (const SongRecord& record : song.channels[channel])
        {
            check(record.start >= at && record.ticks >= 1 && record.End() <= song.lengthTicks);
            check(record.atten <= 15 && record.setting <= (channel == kNoiseChannel ? 7 : 1023));
            at = record.End();
        }
    }
    // Keeps each run short: a longer song only repeats the same work.
    if (song.lengthTicks > 20000)
        return;
    CSoundDoc doc;
    BuildImportedDocument(song, doc);
    std::lock_guard lock(doc.Guard());
    const auto build = BuildAgiResource(doc, doc.GetPlayRange());
    const std::size_t foreseen = ImportedAgiBytes(song);
    check(build.Ok() ? build.Value().size() == foreseen : foreseen > kMaxAgiResourceBytes);
}
