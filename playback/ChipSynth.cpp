// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/ChipSynth.h"

#include "playback/AudioFormat.h"

#include <algorithm>

namespace
{
// The chip's counters step at clock / 16; this many ticks make exactly this many samples.
constexpr std::int64_t kTicksPerCycle = CChipSynth::kClockHz;
constexpr std::int64_t kSamplesPerCycle = std::int64_t{16} * kSampleRate;

constexpr unsigned kNoiseWhite = 4;
// The set bit enters at the top of the register: 15 bits on the PCjr, 16 on the Tandy.
constexpr std::uint32_t kPCjrReload = 0x4000;
constexpr std::uint32_t kTandyReload = 0x8000;
// Tones from this divisor down lie above every frequency the band-limiting lets through, so
// they sound as their average; skipping their edges saves work at no cost in accuracy.
constexpr unsigned kInaudibleDivisor = 4;

constexpr std::array<std::int32_t, 16> MakeAmplitudes()
{
    // 10^(-2/20) per step, multiplied out at compile time so every build agrees.
    constexpr double kStep = 0.79432823472428150;
    std::array<std::int32_t, 16> amplitudes{};
    double level = CChipSynth::kPeak;
    for (int i = 0; i < 15; ++i)
    {
        amplitudes[i] = static_cast<std::int32_t>(level + 0.5);
        level *= kStep;
    }
    return amplitudes;
}
constexpr std::array<std::int32_t, 16> kAmplitude = MakeAmplitudes();
} // namespace

CChipSynth::CChipSynth(ChipVariant variant) : m_variant(variant), m_steps(kBlock)
{
    Reset();
}

CChipSynth::VoiceOutputs::VoiceOutputs()
    : steps{CBandLimitedSteps(kBlock), CBandLimitedSteps(kBlock), CBandLimitedSteps(kBlock),
            CBandLimitedSteps(kBlock)}
{
}

void CChipSynth::SetVoiceSink(IVoiceSink* pSink)
{
    m_pVoiceSink = pSink;
    if (pSink == nullptr)
    {
        m_pVoices.reset();
        return;
    }
    if (m_pVoices != nullptr)
        return;
    m_pVoices = std::make_unique<VoiceOutputs>();
    // The voices already sounding start from their present level.
    for (int voice = 0; voice < kVoices; ++voice)
        if (m_level[voice] != 0)
            m_pVoices->steps[voice].AddStep(0, 0, m_level[voice]);
}

void CChipSynth::Reset()
{
    m_steps.Clear();
    if (m_pVoices != nullptr)
        for (CBandLimitedSteps& steps : m_pVoices->steps)
            steps.Clear();
    m_divisor.fill(0);
    m_halfCycle.fill(1024);
    m_attenuation.fill(kSilent);
    // Every counter expires at once, so the first notes start with their own periods.
    m_nextTick.fill(0);
    m_level.fill(0);
    m_toneHigh.fill(false);
    m_noiseClockHigh = false;
    m_noiseControl = 0;
    ReloadNoise();
    m_sample = 0;
}

void CChipSynth::SetDivisor(int voice, unsigned divisor)
{
    m_divisor[voice] = divisor & 0x3FF;
}

void CChipSynth::SetAttenuation(int voice, unsigned attenuation)
{
    m_attenuation[voice] = attenuation & 15;
    UpdateLevelNow(voice);
}

void CChipSynth::StartNoise(unsigned control)
{
    control &= 7;
    const bool bTypeChanged = ((control ^ m_noiseControl) & kNoiseWhite) != 0;
    m_noiseControl = control;
    if (m_variant == ChipVariant::PCjr || bTypeChanged)
        ReloadNoise();
    UpdateLevelNow(kNoiseVoice);
}

void CChipSynth::Render(std::int16_t* pOut, std::size_t nSamples)
{
    while (nSamples > 0)
    {
        const std::size_t n = std::min(nSamples, kBlock);
        RenderBlock(pOut, n);
        pOut += n;
        nSamples -= n;
    }
}

void CChipSynth::RenderBlock(std::int16_t* pOut, std::size_t n)
{
    const std::int64_t endTick =
        CeilDiv((m_sample + static_cast<std::int64_t>(n)) * kTicksPerCycle, kSamplesPerCycle);
    for (;;)
    {
        const std::int64_t tick = *std::min_element(m_nextTick.begin(), m_nextTick.end());
        if (tick >= endTick)
            break;
        for (int voice = 0; voice < kToneVoices; ++voice)
            if (m_nextTick[voice] == tick)
                ToneExpires(voice, tick);
        if (m_nextTick[kNoiseChannel] == tick)
            NoiseCounterExpires(tick);
    }
    m_steps.ReadSamples(pOut, n);
    if (m_pVoices != nullptr)
        WriteVoiceBlock(n);
    m_sample += static_cast<std::int64_t>(n);
    // Keep the 64-bit tick products far from overflow however long the chip plays.
    if (m_sample >= kSamplesPerCycle)
    {
        m_sample -= kSamplesPerCycle;
        for (std::int64_t& tick : m_nextTick)
            tick -= kTicksPerCycle;
    }
}

void CChipSynth::WriteVoiceBlock(std::size_t n)
{
    IVoiceSink::Blocks blocks{};
    for (int voice = 0; voice < kVoices; ++voice)
    {
        m_pVoices->steps[voice].ReadSamples(m_pVoices->block[voice].data(), n);
        blocks[voice] = m_pVoices->block[voice].data();
    }
    m_pVoiceSink->WriteVoices(blocks, n);
}

void CChipSynth::AddStep(int voice, std::size_t offset, std::uint32_t frac, std::int32_t delta)
{
    m_steps.AddStep(offset, frac, delta);
    if (m_pVoices != nullptr)
        m_pVoices->steps[voice].AddStep(offset, frac, delta);
}

void CChipSynth::ToneExpires(int voice, std::int64_t tick)
{
    m_toneHigh[voice] = !m_toneHigh[voice];
    m_halfCycle[voice] = m_divisor[voice] == 0 ? 1024 : m_divisor[voice];
    m_nextTick[voice] = tick + m_halfCycle[voice];
    UpdateLevelAt(voice, tick);
    if (voice == 2 && NoiseFollowsVoice2())
        ClockNoise(tick);
}

void CChipSynth::NoiseCounterExpires(std::int64_t tick)
{
    const unsigned rate = m_noiseControl & 3;
    m_nextTick[kNoiseChannel] = tick + (16 << std::min(rate, 2u));
    if (!NoiseFollowsVoice2())
        ClockNoise(tick);
}

// The register shifts on every second clock edge, as the chip's own divide-by-two does.
void CChipSynth::ClockNoise(std::int64_t tick)
{
    m_noiseClockHigh = !m_noiseClockHigh;
    if (!m_noiseClockHigh)
        return;
    m_noiseRegister = ShiftNoise(m_noiseRegister);
    UpdateLevelAt(kNoiseVoice, tick);
}

std::uint32_t CChipSynth::ShiftNoise(std::uint32_t reg) const
{
    const bool bWhite = (m_noiseControl & kNoiseWhite) != 0;
    if (m_variant == ChipVariant::Tandy1000)
    {
        // Bit 0 is the output stage below a 15-bit loop, so periodic noise is 15 shifts long.
        const std::uint32_t feedback = bWhite ? ~((reg >> 1) ^ (reg >> 5)) & 1 : (reg >> 1) & 1;
        return (reg >> 1) | (feedback << 15);
    }
    const std::uint32_t feedback = bWhite ? (reg ^ (reg >> 1)) & 1 : reg & 1;
    return (reg >> 1) | (feedback << 14);
}

void CChipSynth::ReloadNoise()
{
    m_noiseRegister = m_variant == ChipVariant::Tandy1000 ? kTandyReload : kPCjrReload;
}

std::int32_t CChipSynth::Level(int voice) const
{
    const std::int32_t amplitude = kAmplitude[m_attenuation[voice]];
    bool bHigh;
    if (voice == kNoiseVoice)
    {
        bHigh = (m_noiseRegister & 1) != 0;
        // One high step in fifteen: centred on its mean, the pulse stands 28/15 of the
        // swing's half above zero and the rest lies 2/15 below, so notes start without a step.
        if ((m_noiseControl & kNoiseWhite) == 0)
            return bHigh ? (28 * amplitude + 7) / 15 : -((2 * amplitude + 7) / 15);
    }
    else if (m_halfCycle[voice] <= kInaudibleDivisor)
        return 0;
    else
        bHigh = m_toneHigh[voice];
    return bHigh ? amplitude : -amplitude;
}

void CChipSynth::UpdateLevelAt(int voice, std::int64_t tick)
{
    const std::int32_t level = Level(voice);
    if (level == m_level[voice])
        return;
    const auto at =
        CBandLimitedSteps::PositionOfTick(tick, kSamplesPerCycle, kTicksPerCycle, m_sample);
    AddStep(voice, at.offset, at.frac, level - m_level[voice]);
    m_level[voice] = level;
}

void CChipSynth::UpdateLevelNow(int voice)
{
    const std::int32_t level = Level(voice);
    if (level == m_level[voice])
        return;
    AddStep(voice, 0, 0, level - m_level[voice]);
    m_level[voice] = level;
}
