// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>

// Counts the gaps a listener hears at the output, from what the audio callback learns about
// each block it fills: the driver's underflow flag, and how long before the block is due at
// the converter the callback got to it. A block asked for after its moment has passed was
// replaced by silence further down (a sound server does this without telling the driver), so
// it counts even unflagged. One gap, however many blocks it spans.
class CDropoutCounter
{
public:
    // A new stream of nFramesPerSecond: its first blocks are asked for before the output has
    // filled, with nothing due yet, and say nothing about gaps.
    void StartStream(unsigned nFramesPerSecond) noexcept;
    // From the callback, for each block: bFlagged as the driver says, dueInSeconds from now
    // until the block's first frame reaches the converter (0 or less: too late), or
    // kDueUnknown where the backend does not tell.
    void OnBlock(bool bFlagged, double dueInSeconds, unsigned nFrames) noexcept;
    // A gap the program makes itself (restarting the stream).
    void CountGap() noexcept { m_nGaps.fetch_add(1, std::memory_order_relaxed); }
    // Any thread.
    unsigned GetCount() const noexcept { return m_nGaps.load(std::memory_order_relaxed); }

    static constexpr double kDueUnknown = 1e9;

private:
    std::atomic<unsigned> m_nGaps{0};
    // The callback's own.
    unsigned m_nSettlingFrames = 0;
    bool m_bInGap = false;
};
