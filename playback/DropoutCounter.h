// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>

// Counts the gaps a listener hears at the output, from what the audio callback learns about
// each block it fills: the driver's underflow flag, and when the callback got to the block.
// A callback that comes a whole latency after the one before, for a block already due at the
// converter, found the output drained: a sound server plays silence there without telling the
// driver, so that counts even unflagged. One gap, however many blocks it spans.
class CDropoutCounter
{
public:
    // A new stream of nFramesPerSecond and that output latency: its first blocks are asked for
    // before the output has filled, with nothing due yet, and say nothing about gaps.
    void StartStream(unsigned nFramesPerSecond, double latencySeconds) noexcept;
    // From the callback, for each block: bFlagged as the driver says; now and the time the
    // block's first frame reaches the converter, on the stream's clock (now 0 where the
    // backend keeps no clock).
    void OnBlock(bool bFlagged, double now, double due, unsigned nFrames) noexcept;
    // A gap the program makes itself (restarting the stream).
    void CountGap() noexcept { m_nGaps.fetch_add(1, std::memory_order_relaxed); }
    // Any thread.
    unsigned GetCount() const noexcept { return m_nGaps.load(std::memory_order_relaxed); }

private:
    std::atomic<unsigned> m_nGaps{0};
    // The callback's own.
    unsigned m_nSettlingFrames = 0;
    double m_latency = 0.0;
    double m_lastNow = 0.0;
    bool m_bInGap = false;
};
