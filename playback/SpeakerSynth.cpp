// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SpeakerSynth.h"

#include "playback/AudioFormat.h"

#include <limits>

namespace
{
// A half-cycle of count c lasts c half periods of the timer clock.
constexpr std::int64_t kTimerTicksPerCycle = 2 * CSpeakerSynth::kTimerHz;
constexpr std::int64_t kTimerSamplesPerCycle = kSampleRate;
constexpr std::int64_t kIdle = std::numeric_limits<std::int64_t>::max() / 2;
// The count of the chip's inaudible divisor 4: higher pitches sound as their average.
constexpr unsigned kInaudibleCount = 43;
} // namespace

CSpeakerSynth::CSpeakerSynth() : m_steps(kBlock)
{
    Reset();
}

void CSpeakerSynth::Reset()
{
    m_steps.Clear();
    m_count = m_running = 0;
    m_bGateOn = m_bHigh = false;
    m_level = 0;
    m_nextTick = kIdle;
    m_sample = 0;
}

unsigned CSpeakerSynth::TimerCount(unsigned divisor)
{
    return ((divisor & 0x3FF) * 32 + 1) / 3;
}

void CSpeakerSynth::SetAttenuation(int voice, unsigned attenuation)
{
    if (voice != 0)
        return;
    m_bGateOn = (attenuation & kSilent) != kSilent;
    UpdateLevelNow();
}

void CSpeakerSynth::SetDivisor(int voice, unsigned divisor)
{
    if (voice != 0)
        return;
    m_count = TimerCount(divisor);
    // An idle timer starts at once; a running one finishes its half-cycle first.
    if (m_running == 0 && m_count != 0)
        m_nextTick = CeilDiv(m_sample * kTimerTicksPerCycle, kTimerSamplesPerCycle);
    if (m_count == 0)
    {
        m_running = 0;
        m_nextTick = kIdle;
    }
    UpdateLevelNow();
}

void CSpeakerSynth::Render(std::int16_t* pOut, std::size_t nSamples)
{
    while (nSamples > 0)
    {
        const std::size_t n = nSamples < kBlock ? nSamples : kBlock;
        RenderBlock(pOut, n);
        if (m_pVoiceSink != nullptr)
            m_pVoiceSink->WriteVoices({pOut, nullptr, nullptr, nullptr}, n);
        pOut += n;
        nSamples -= n;
    }
}

void CSpeakerSynth::RenderBlock(std::int16_t* pOut, std::size_t n)
{
    const std::int64_t endTick =
        CeilDiv((m_sample + static_cast<std::int64_t>(n)) * kTimerTicksPerCycle, kTimerSamplesPerCycle);
    while (m_nextTick < endTick)
        Expire(m_nextTick);
    m_steps.ReadSamples(pOut, n);
    m_sample += static_cast<std::int64_t>(n);
    if (m_sample >= kTimerSamplesPerCycle)
    {
        m_sample -= kTimerSamplesPerCycle;
        if (m_nextTick != kIdle)
            m_nextTick -= kTimerTicksPerCycle;
    }
}

void CSpeakerSynth::Expire(std::int64_t tick)
{
    m_bHigh = !m_bHigh;
    m_running = m_count;
    m_nextTick = tick + m_running;
    UpdateLevelAt(tick);
}

std::int32_t CSpeakerSynth::Level() const
{
    if (!m_bGateOn || m_running <= kInaudibleCount)
        return 0;
    return m_bHigh ? kLevel : -kLevel;
}

void CSpeakerSynth::UpdateLevelAt(std::int64_t tick)
{
    const std::int32_t level = Level();
    if (level == m_level)
        return;
    const auto at =
        CBandLimitedSteps::PositionOfTick(tick, kTimerSamplesPerCycle, kTimerTicksPerCycle, m_sample);
    m_steps.AddStep(at.offset, at.frac, level - m_level);
    m_level = level;
}

void CSpeakerSynth::UpdateLevelNow()
{
    const std::int32_t level = Level();
    if (level == m_level)
        return;
    m_steps.AddStep(0, 0, level - m_level);
    m_level = level;
}
