// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/OfflineRenderer.h"

#include "playback/SineRenderer.h"
#include "sound/GameTempo.h"
#include "sound/SoundDoc.h"

#include <mutex>

bool RenderPlayRange(const CSoundDoc& doc, std::vector<std::int16_t>& samples,
                     std::uint64_t nMaxSamples)
{
    samples.clear();
    std::lock_guard lock(doc.Guard());
    CSineRenderer renderer;
    const PlayRange range = doc.GetPlayRange();
    renderer.Begin(doc, range, range.start);
    const std::uint64_t nSlot = renderer.GetSlotSamples();
    const auto nSlots = static_cast<std::uint64_t>(CGameTempo(doc).TicksOf(RowsOf(range)));
    if (nSlots > nMaxSamples / nSlot)
        return false;

    samples.resize(static_cast<std::size_t>(nSlots * nSlot));
    std::int16_t* pOut = samples.data();
    for (std::uint64_t slot = 0; slot < nSlots; ++slot, pOut += nSlot)
    {
        renderer.RenderSlot(pOut);
        renderer.Advance(doc, range);
    }
    return true;
}
