// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/DropoutCounter.h"

#include <utility>

void CDropoutCounter::StartStream(unsigned nFramesPerSecond, double latencySeconds) noexcept
{
    // A tenth of a second: longer than any latency step's priming, shorter than a note.
    m_nSettlingFrames = nFramesPerSecond / 10;
    m_latency = latencySeconds;
    m_lastNow = 0.0;
    m_bInGap = false;
}

void CDropoutCounter::OnBlock(bool bFlagged, double now, double due, unsigned nFrames) noexcept
{
    const double sinceLast = m_lastNow > 0.0 ? now - m_lastNow : 0.0;
    m_lastNow = now;
    bool bGap = bFlagged || (now > 0.0 && due <= now && sinceLast >= m_latency);
    if (m_nSettlingFrames > 0)
    {
        m_nSettlingFrames = nFrames >= m_nSettlingFrames ? 0 : m_nSettlingFrames - nFrames;
        bGap = false;
    }
    if (bGap && !m_bInGap)
        (bFlagged ? m_nFlagged : m_nLate).fetch_add(1, std::memory_order_relaxed);
    m_bInGap = bGap;
}

std::string DropoutCounts::Describe() const
{
    std::string text = std::to_string(Total());
    const std::pair<unsigned, const char*> sources[] = {
        {ring, "ring"}, {device, "device"}, {late, "late callback"}};
    const char* separator = " (";
    for (const auto& [count, name] : sources)
        if (count != 0)
        {
            text += separator + std::string(name) + " " + std::to_string(count);
            separator = ", ";
        }
    if (Total() != 0)
        text += ")";
    return text;
}
