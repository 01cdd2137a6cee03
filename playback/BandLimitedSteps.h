// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// a / b rounded up, for a positive b: the first clock tick at or after a time in samples.
constexpr std::int64_t CeilDiv(std::int64_t a, std::int64_t b)
{
    return (a + b - 1) / b;
}

// Turns level changes at exact sub-sample times into band-limited 44.1 kHz samples: each
// step adds a windowed-sinc impulse (interpolated between tabulated phases) to a delta
// buffer whose running sum is the output. Integer throughout, so the output is
// bit-identical everywhere and a level held long enough reads back exactly.
class CBandLimitedSteps
{
public:
    static constexpr int kTaps = 32;
    static constexpr int kPhaseBits = 6;
    static constexpr int kFracBits = 16;
    // Samples between a step's time and the middle of its band-limited edge.
    static constexpr int kDelaySamples = kTaps / 2 - 1;

    explicit CBandLimitedSteps(std::size_t maxBlock);

    // Forgets pending edges and returns the level to 0.
    void Clear();
    // Adds a step of `delta` at sample `offset` of the current block plus frac / 2^16 of a
    // sample; offset must be below the block size given to ReadSamples, |delta| <= 32767.
    void AddStep(std::size_t offset, std::uint32_t frac, std::int32_t delta);
    struct Position
    {
        std::size_t offset;
        std::uint32_t frac;
    };
    // Where a step at ticks * samplesPerCycle / ticksPerCycle samples falls, exactly, in the
    // block that begins at sample blockStart.
    static Position PositionOfTick(std::int64_t ticks, std::int64_t samplesPerCycle,
                                   std::int64_t ticksPerCycle, std::int64_t blockStart);
    // Writes the block's first n samples (n <= maxBlock) and moves on by n samples.
    void ReadSamples(std::int16_t* pOut, std::size_t n);

    // Largest |output| / |input| for any input that stays within +-1: the bound that keeps
    // a sum of full-scale voices from clipping after the kernel's ringing.
    static double PeakGain();

private:
    std::vector<std::int64_t> m_deltas;
    std::int64_t m_sum = 0;
};
