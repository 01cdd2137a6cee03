// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>

// The gaps a listener heard, by where each came from.
struct DropoutCounts
{
    unsigned ring = 0;   // the play thread had not filled the ring in time
    unsigned device = 0; // the driver ran dry, or the output restarted
    unsigned late = 0;   // a callback came too late and the sound server played silence
    unsigned Total() const { return ring + device + late; }
    DropoutCounts operator-(const DropoutCounts& before) const
    {
        return {ring - before.ring, device - before.device, late - before.late};
    }
    // "0", or "3 (ring 1, device 1, late callback 1)" naming the sources that had any.
    std::string Describe() const;
};

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
    // A gap the program makes itself (restarting the stream), counted with the device's.
    void CountGap() noexcept { m_nFlagged.fetch_add(1, std::memory_order_relaxed); }
    // Any thread: the gaps flagged by the driver (device) and those only the clock showed
    // (late); the ring's are the mixer's to count.
    DropoutCounts GetCounts() const noexcept
    {
        return {0, m_nFlagged.load(std::memory_order_relaxed),
                m_nLate.load(std::memory_order_relaxed)};
    }
    unsigned GetCount() const noexcept { return GetCounts().Total(); }

private:
    std::atomic<unsigned> m_nFlagged{0};
    std::atomic<unsigned> m_nLate{0};
    // The callback's own.
    unsigned m_nSettlingFrames = 0;
    double m_latency = 0.0;
    double m_lastNow = 0.0;
    bool m_bInGap = false;
};
