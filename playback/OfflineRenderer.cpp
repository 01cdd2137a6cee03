// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/OfflineRenderer.h"

#include "playback/SineRenderer.h"
#include "sound/SoundDoc.h"

#include <mutex>

std::int64_t PlayRangeRows(const PlayRange& range)
{
    // Playback keeps stepping from the start when the range is empty, so one pass is a row.
    return range.end >= range.start ? static_cast<std::int64_t>(range.end) - range.start + 1 : 1;
}

bool RenderPlayRange(const CSoundDoc& doc, std::vector<std::int16_t>& samples,
                     std::uint64_t nMaxSamples)
{
    samples.clear();
    std::lock_guard lock(doc.Guard());
    CSineRenderer renderer;
    const PlayRange range = doc.GetPlayRange();
    if (!renderer.Begin(doc, range, range.start).Ok())
        return false;
    const std::int64_t nRows = PlayRangeRows(range);
    const std::uint64_t nSamplesPerRow = renderer.GetSlotSamples();
    if (static_cast<std::uint64_t>(nRows) > nMaxSamples / nSamplesPerRow)
        return false;

    samples.resize(static_cast<std::size_t>(nRows * nSamplesPerRow));
    std::int16_t* pOut = samples.data();
    for (std::int64_t row = 0; row < nRows; ++row)
    {
        renderer.RenderSlot(pOut);
        pOut += nSamplesPerRow;
        renderer.Advance(doc, range);
    }
    return true;
}
