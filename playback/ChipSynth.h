// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/BandLimitedSteps.h"
#include "playback/ChipModel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

enum class ChipVariant
{
    PCjr,     // TI SN76496
    Tandy1000 // NCR 8496: 16-bit noise register, taps four apart, reloads only on a type change
};

// The sound chip of the engine's target machines: three square-wave tone voices and a noise
// voice, rendered as band-limited signed 16-bit mono at 44100 Hz. Register writes take effect
// at the sample where the next Render call starts; the chip's counters run on across calls,
// so a block split into smaller calls renders the same samples.
class CChipSynth : public IChipModel
{
public:
    static constexpr int kToneVoices = 3;
    static constexpr std::int64_t kClockHz = 3579545;
    static constexpr int kSamplesPerTick = 735;
    // Level of one voice at attenuation 0: with the band-limiting's worst-case ringing
    // (CBandLimitedSteps::PeakGain) three tones and a periodic noise, whose centred pulse
    // rises 28/15 of this above zero, together never clip.
    static constexpr int kPeak = 3935;
    // Output lags the register writes by this many samples (the band-limiting filter).
    static constexpr int kDelaySamples = CBandLimitedSteps::kDelaySamples;

    explicit CChipSynth(ChipVariant variant = ChipVariant::PCjr);

    // Power-on state: every voice silent with divisor 0, the noise register reloaded.
    void Reset();

    // Voice 0-2; the low 10 bits count, 0 sounds as 1024. The running half-cycle finishes
    // first, as on the chip, so a new note does not click.
    void SetDivisor(int voice, unsigned divisor) override;
    // Voice 0-3; the low 4 bits count: 2 dB per step, 15 off.
    void SetAttenuation(int voice, unsigned attenuation) override;
    // A noise record starts: bit 2 white (1) or periodic (0), bits 0-1 the shift rate
    // (clock / 512, / 1024, / 2048, or once per cycle of voice 2).
    void StartNoise(unsigned control) override;

    void Render(std::int16_t* pOut, std::size_t nSamples) override;
    // Each voice then also runs through a band-limiting of its own; the mix keeps the shared
    // one, so it is the same with or without a sink.
    void SetVoiceSink(IVoiceSink* pSink) override;

private:
    static constexpr std::size_t kBlock = 1024;
    struct VoiceOutputs
    {
        VoiceOutputs();
        std::array<CBandLimitedSteps, kVoices> steps;
        std::array<std::array<std::int16_t, kBlock>, kVoices> block{};
    };
    static constexpr int kNoiseChannel = kToneVoices; // index of the noise counter

    void RenderBlock(std::int16_t* pOut, std::size_t n);
    void WriteVoiceBlock(std::size_t n);
    void AddStep(int voice, std::size_t offset, std::uint32_t frac, std::int32_t delta);
    void ToneExpires(int voice, std::int64_t tick);
    void NoiseCounterExpires(std::int64_t tick);
    void ClockNoise(std::int64_t tick);
    std::uint32_t ShiftNoise(std::uint32_t reg) const;
    void ReloadNoise();
    std::int32_t Level(int voice) const;
    // Makes the output follow Level(voice), with the step at the given chip tick.
    void UpdateLevelAt(int voice, std::int64_t tick);
    // The same at the start of the next Render call.
    void UpdateLevelNow(int voice);
    bool NoiseFollowsVoice2() const { return (m_noiseControl & 3) == 3; }

    ChipVariant m_variant;
    CBandLimitedSteps m_steps;
    IVoiceSink* m_pVoiceSink = nullptr;
    std::unique_ptr<VoiceOutputs> m_pVoices;
    std::array<unsigned, kToneVoices> m_divisor{};
    // Half-cycle, in chip ticks (clock / 16), loaded at the last expiry.
    std::array<unsigned, kToneVoices> m_halfCycle{};
    std::array<unsigned, kVoices> m_attenuation{};
    // Tick of the next expiry of the three tone counters and the noise counter.
    std::array<std::int64_t, kVoices> m_nextTick{};
    std::array<std::int32_t, kVoices> m_level{};
    std::array<bool, kToneVoices> m_toneHigh{};
    bool m_noiseClockHigh = false;
    std::uint32_t m_noiseRegister = 0;
    unsigned m_noiseControl = 0;
    // Samples rendered since the last time base shift; ticks count from the same origin.
    std::int64_t m_sample = 0;
};
