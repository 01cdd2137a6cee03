// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/DropoutCounter.h"

void CDropoutCounter::StartStream(unsigned nFramesPerSecond) noexcept
{
    // A tenth of a second: longer than any latency step's priming, shorter than a note.
    m_nSettlingFrames = nFramesPerSecond / 10;
    m_bInGap = false;
}

void CDropoutCounter::OnBlock(bool bFlagged, double dueInSeconds, unsigned nFrames) noexcept
{
    if (m_nSettlingFrames > 0)
    {
        m_nSettlingFrames = nFrames >= m_nSettlingFrames ? 0 : m_nSettlingFrames - nFrames;
        bFlagged = false;
        dueInSeconds = kDueUnknown;
    }
    const bool bGap = bFlagged || dueInSeconds <= 0.0;
    if (bGap && !m_bInGap)
        m_nGaps.fetch_add(1, std::memory_order_relaxed);
    m_bInGap = bGap;
}
