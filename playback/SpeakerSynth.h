// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/BandLimitedSteps.h"
#include "playback/ChipModel.h"
#include "playback/ChipSynth.h"

#include <cstdint>

// The PC speaker as the engine drives it on a machine without the sound chip: voice 0 alone,
// a square wave from the system timer at the count that keeps the chip's pitch, at one level.
// Divisor 0 and attenuation 15 are silent; the other voices and the noise are not heard.
class CSpeakerSynth : public IChipModel
{
public:
    static constexpr std::int64_t kTimerHz = 1193180;
    static constexpr int kLevel = CChipSynth::kPeak;
    static constexpr int kDelaySamples = CBandLimitedSteps::kDelaySamples;

    CSpeakerSynth();

    // Silent, with no count loaded.
    void Reset();
    void SetAttenuation(int voice, unsigned attenuation) override;
    void SetDivisor(int voice, unsigned divisor) override;
    void StartNoise(unsigned) override {}
    void Render(std::int16_t* pOut, std::size_t nSamples) override;
    // The output is voice 0's own; the others are silent.
    void SetVoiceSink(IVoiceSink* pSink) override { m_pVoiceSink = pSink; }

    // The timer count nearest divisor x 32 / 3; 0 (silence) for divisor 0.
    static unsigned TimerCount(unsigned divisor);

private:
    static constexpr std::size_t kBlock = 1024;

    void RenderBlock(std::int16_t* pOut, std::size_t n);
    void Expire(std::int64_t tick);
    std::int32_t Level() const;
    void UpdateLevelAt(std::int64_t tick);
    void UpdateLevelNow();

    CBandLimitedSteps m_steps;
    IVoiceSink* m_pVoiceSink = nullptr;
    // The count the next half-cycle loads, and the one running (0: the timer is idle).
    unsigned m_count = 0;
    unsigned m_running = 0;
    bool m_bGateOn = false;
    bool m_bHigh = false;
    std::int32_t m_level = 0;
    // In half timer periods since the last time base shift; samples from the same origin.
    std::int64_t m_nextTick = 0;
    std::int64_t m_sample = 0;
};
