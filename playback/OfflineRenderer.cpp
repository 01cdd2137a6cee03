// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/OfflineRenderer.h"

#include "playback/ToneSynth.h"
#include "sound/SoundDoc.h"

#include <mutex>

bool RenderPlayRange(const CSoundDoc& doc, std::vector<std::int16_t>& samples,
                     std::uint64_t nMaxSamples)
{
    samples.clear();
    std::lock_guard lock(doc.Guard());
    const unsigned rowBytes = CToneSynth::RowBytes(doc.m_nBeatsPerMinute, doc.m_nTracksPerBeat);
    if (rowBytes == 0)
        return false;
    // Playback keeps stepping from the start when the range is empty, so one pass is a row.
    const std::int64_t nRows =
        doc.m_nRangeEnd >= doc.m_nRangeStart
            ? static_cast<std::int64_t>(doc.m_nRangeEnd) - doc.m_nRangeStart + 1
            : 1;
    const std::uint64_t nSamplesPerRow = rowBytes / 2;
    if (static_cast<std::uint64_t>(nRows) > nMaxSamples / nSamplesPerRow)
        return false;

    CToneSynth synth;
    synth.Start(rowBytes, CToneSynth::BlocksForRowBytes(rowBytes));
    synth.m_renderPos = doc.m_nRangeStart;
    for (unsigned i = 0; i + 1 < synth.QueueLength(); ++i)
        synth.SequenceRow(doc);

    samples.resize(static_cast<std::size_t>(nRows * nSamplesPerRow));
    std::int16_t* pOut = samples.data();
    for (std::int64_t row = 0; row < nRows; ++row)
    {
        synth.RenderChannels();
        synth.MixRow(pOut);
        pOut += nSamplesPerRow;
        synth.SequenceRow(doc);
    }
    return true;
}
