// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundSnapshot.h"

#include "sound/SoundDoc.h"

#include <unordered_map>

std::unique_ptr<CSoundDoc> SnapshotSound(const CSoundDoc& doc)
{
    auto pCopy = std::make_unique<CSoundDoc>();
    pCopy->AssignProperties(doc.GetProperties());
    pCopy->AssignPlayRange(doc.GetPlayRange());
    pCopy->AssignInstruments(doc.GetInstruments());
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        std::unordered_map<const CSoundPattern*, CSoundPattern*> copies;
        for (const CSoundPattern* pPattern : doc.GetPatterns(channel))
            copies[pPattern] = pCopy->CopyPattern(channel, pPattern);
        for (const auto& [songPos, pPattern] : doc.GetSequence(channel))
            if (const auto it = copies.find(pPattern); it != copies.end())
                pCopy->PlacePattern(channel, songPos, it->second);
    }
    return pCopy;
}
