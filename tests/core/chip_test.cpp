// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "playback/AgiChipRender.h"
#include "playback/ChipSynth.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
constexpr double kClock = 3579545.0;
constexpr std::size_t kSettle = 2048;

double ToneHz(unsigned divisor)
{
    return kClock / (32.0 * (divisor == 0 ? 1024 : divisor));
}

void Append(CChipSynth& chip, std::vector<std::int16_t>& out, std::size_t n)
{
    out.resize(out.size() + n);
    chip.Render(out.data() + out.size() - n, n);
}

std::vector<std::int16_t> Render(CChipSynth& chip, std::size_t n)
{
    std::vector<std::int16_t> samples;
    Append(chip, samples, n);
    return samples;
}

// The spectrum of the next n samples after `skip` more.
CSpectrum Analyse(CChipSynth& chip, std::size_t n = 32768, std::size_t skip = kSettle)
{
    const std::vector<std::int16_t> samples = Render(chip, skip + n);
    return CSpectrum(samples.data() + skip, n);
}

CChipSynth ToneChip(unsigned divisor, unsigned attenuation = 0)
{
    CChipSynth chip;
    chip.SetDivisor(0, divisor);
    chip.SetAttenuation(0, attenuation);
    return chip;
}

// The lowest strong line: periodic noise's first harmonics are almost equally strong, so the
// strongest line need not be the pitch.
double PitchHz(const CSpectrum& spectrum, double loHz, double hiHz)
{
    const double strongest = spectrum.MaxDb(loHz, hiHz);
    double hz = loHz;
    while (spectrum.MaxDb(hz, hz) < strongest - 10)
        hz += spectrum.BinHz();
    return spectrum.PeakHz(hz, hz + 8 * spectrum.BinHz());
}
} // namespace

TEST(ChipTone, PitchIsClockOver32TimesDivisor)
{
    for (const unsigned divisor : {0u, 1023u, 427u, 254u, 100u, 12u})
    {
        CChipSynth chip = ToneChip(divisor);
        EXPECT_NEAR(Analyse(chip, 65536).PeakHz(50, 20000), ToneHz(divisor), 0.04) << divisor;
    }
}

TEST(ChipTone, SquareWaveAtTwoDecibelsPerStepDownToSilence)
{
    const double f = ToneHz(254);
    CChipSynth chip = ToneChip(254);
    const CSpectrum spectrum = Analyse(chip);
    const double loudest = spectrum.Db(f);
    EXPECT_NEAR(loudest, 20 * std::log10(4 / M_PI * CChipSynth::kPeak / 32768.0), 0.02);
    // However the steps overshoot, three tones and a periodic noise (swinging from -2/15 to
    // 28/15 of the level) at their loudest cannot clip.
    EXPECT_LE((4 * CBandLimitedSteps::PeakGain() + 13.0 / 15) * CChipSynth::kPeak, 32767.0);
    EXPECT_NEAR(spectrum.Db(3 * f) - loudest, -9.54, 0.1);
    EXPECT_NEAR(spectrum.Db(5 * f) - loudest, -13.98, 0.1);
    EXPECT_LT(spectrum.Db(2 * f) - loudest, -80) << "a duty cycle off 50% has even harmonics";
    EXPECT_LT(spectrum.MaxDb(0, 5), -100) << "no DC offset";
    for (unsigned attenuation : {1u, 2u, 5u, 9u, 14u})
    {
        chip.SetAttenuation(0, attenuation);
        EXPECT_NEAR(Analyse(chip).Db(f) - loudest, -2.0 * attenuation, 0.05) << attenuation;
    }
    chip.SetAttenuation(0, 15);
    const std::vector<std::int16_t> after = Render(chip, 20000);
    EXPECT_TRUE(std::all_of(after.begin() + CBandLimitedSteps::kTaps, after.end(),
                            [](std::int16_t s) { return s == 0; }));
}

TEST(ChipTone, AliasesStayFiftyDecibelsDown)
{
    for (const unsigned divisor : {12u, 13u, 14u, 15u, 16u, 17u, 18u, 20u, 47u})
    {
        const double f = ToneHz(divisor);
        CChipSynth chip = ToneChip(divisor);
        // One stretch spans the point where the chip's time base wraps.
        const CSpectrum spectrum = Analyse(chip, 32768, divisor == 17 ? 705600 - 16384 : kSettle);
        double worst = -300;
        for (double hz = 20; hz <= 20000; hz += spectrum.BinHz())
            if (std::abs(hz - std::max(1.0, std::round(hz / f)) * f) > 8 * spectrum.BinHz())
                worst = std::max(worst, spectrum.MaxDb(hz, hz));
        EXPECT_LT(worst - spectrum.Db(f), -50) << divisor;
    }
}

TEST(ChipNoise, WhiteNoiseIsBroadbandPeriodicNoiseIsNot)
{
    for (const unsigned control : {4u, 5u, 0u})
    {
        CChipSynth chip;
        chip.StartNoise(control);
        chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
        const CSpectrum spectrum = Analyse(chip);
        const double strongest = spectrum.MaxDb(100, 2000);
        bool bEveryBand = true;
        for (double hz = 150; hz < 2000; hz += 200)
            bEveryBand &= spectrum.MaxDb(hz - 5 * spectrum.BinHz(), hz + 5 * spectrum.BinHz()) >
                          strongest - 15;
        EXPECT_EQ(bEveryBand, (control & 4) != 0) << control;
    }
}

TEST(ChipNoise, PeriodicNoisePitchIsShiftRateOver15)
{
    struct Case
    {
        unsigned control, voice2Attenuation;
        double hz;
    };
    for (const Case c : {Case{0, 15, kClock / 512 / 15},
                         {1, 15, kClock / 1024 / 15},
                         {2, 15, kClock / 2048 / 15},
                         {3, 15, ToneHz(20) / 15},
                         {3, 0, ToneHz(20) / 15}})
    {
        CChipSynth chip;
        chip.SetDivisor(2, 20);
        chip.SetAttenuation(2, c.voice2Attenuation);
        chip.StartNoise(c.control);
        chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
        EXPECT_NEAR(PitchHz(Analyse(chip), 50, 2000), c.hz, 0.2) << c.control;
        // Voice 2's divisor moves rate-3 noise at once, without a new noise record.
        chip.SetDivisor(2, 40);
        EXPECT_NEAR(PitchHz(Analyse(chip), 50, 2000), c.control == 3 ? c.hz / 2 : c.hz, 0.2);
    }
}

namespace
{
// The noise register's output bits, read from the audio: rate-3 noise follows a silent voice 2
// at its lowest pitch, so each bit lasts about 403 samples; each is read in its middle.
std::vector<int> NoiseBits(ChipVariant variant, unsigned control, std::size_t nBits,
                           std::size_t rewriteAtBit = 0)
{
    CChipSynth chip(variant);
    chip.SetDivisor(2, 1023);
    chip.StartNoise(control | 3);
    chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
    const double bitSamples = 2 * 1023 * 16 * 44100.0 / kClock;
    std::vector<std::int16_t> samples;
    std::vector<int> bits;
    for (std::size_t k = 0; k < nBits; ++k)
    {
        if (rewriteAtBit != 0 && k == rewriteAtBit)
        {
            Append(chip, samples, static_cast<std::size_t>(k * bitSamples) - samples.size());
            chip.StartNoise(control | 3);
        }
        const auto at =
            static_cast<std::size_t>((k + 0.5) * bitSamples) + CChipSynth::kDelaySamples;
        Append(chip, samples, at + 1 - samples.size());
        bits.push_back(samples[at] > 0 ? 1 : 0);
    }
    return bits;
}

// Where s[n + 15] = c ^ the bits at the taps fails, with c read from the first bits (the
// output's polarity is a matter of wiring).
std::size_t RecurrenceFailures(const std::vector<int>& s, std::initializer_list<std::size_t> taps)
{
    const auto feedback = [&](std::size_t n)
    {
        int bit = s[n + 15];
        for (const std::size_t tap : taps)
            bit ^= s[n + tap];
        return bit;
    };
    std::size_t failures = 0;
    for (std::size_t n = 0; n + 15 < s.size(); ++n)
        failures += feedback(n) != feedback(0);
    return failures;
}
} // namespace

TEST(ChipNoise, RecoveredRegisterFollowsEachChipsFeedback)
{
    const std::vector<int> pcjr = NoiseBits(ChipVariant::PCjr, 4, 600);
    const std::vector<int> tandy = NoiseBits(ChipVariant::Tandy1000, 4, 600);
    // PCjr: adjacent taps. Tandy: taps four apart (XNOR, so the constant is set).
    EXPECT_EQ(RecurrenceFailures(pcjr, {0, 1}), 0u);
    EXPECT_EQ(RecurrenceFailures(tandy, {0, 4}), 0u);
    EXPECT_EQ(tandy[15] ^ tandy[0] ^ tandy[4], 1);
    EXPECT_GT(RecurrenceFailures(pcjr, {0, 4}), 100u);
    EXPECT_GT(RecurrenceFailures(tandy, {0, 1}), 100u);
    // Periodic noise repeats every 15 shifts on both, one pulse a period.
    for (const ChipVariant variant : {ChipVariant::PCjr, ChipVariant::Tandy1000})
    {
        const std::vector<int> periodic = NoiseBits(variant, 0, 120);
        EXPECT_EQ(RecurrenceFailures(periodic, {0}), 0u);
        EXPECT_EQ(std::count(periodic.begin(), periodic.begin() + 15, 1), 1);
    }
}

TEST(ChipNoise, OnlyThePCjrReloadsAtEveryNoiseRecord)
{
    // The same white noise written again at bit 300: the Tandy's sequence runs on.
    EXPECT_EQ(RecurrenceFailures(NoiseBits(ChipVariant::Tandy1000, 4, 600, 300), {0, 4}), 0u);
    EXPECT_GT(RecurrenceFailures(NoiseBits(ChipVariant::PCjr, 4, 600, 300), {0, 1}), 0u);
}

TEST(ChipNoise, PeriodicNoiseIsCentredOnItsMean)
{
    for (const ChipVariant variant : {ChipVariant::PCjr, ChipVariant::Tandy1000})
        for (const unsigned rate : {0u, 1u, 2u})
        {
            CChipSynth chip(variant);
            chip.StartNoise(rate);
            chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
            const std::vector<std::int16_t> s = Render(chip, 441000);
            double sum = 0;
            for (const std::int16_t v : s)
                sum += v;
            EXPECT_LT(std::abs(sum / static_cast<double>(s.size())), 0.01 * CChipSynth::kPeak)
                << rate;
        }
}

TEST(ChipVariant, TandyTonesAreThePCjrTones)
{
    const auto tones = [](ChipVariant variant)
    {
        CChipSynth chip(variant);
        std::vector<std::int16_t> samples;
        for (unsigned step = 0; step < 40; ++step)
        {
            chip.SetDivisor(step % 3, 13 + step * 25);
            chip.SetAttenuation(step % 3, step % 16);
            Append(chip, samples, 735);
        }
        return samples;
    };
    EXPECT_EQ(tones(ChipVariant::PCjr), tones(ChipVariant::Tandy1000));
}

TEST(AgiChipRender, PlaysRecordsOnTheirTicksInBoundedBlocks)
{
    const std::string bytes = Resource(
        {Tone(0, 3, 427, 15) + Tone(0, 2, 254, 0) + Record(4, 0, 0, 6), Tone(1, 120, 100, 3),
         Tone(2, 1, 20, 15), Noise(0, 0, true, 0) + Noise(10, 3, false, 2)});
    std::vector<std::int16_t> rendered;
    const std::uint64_t total =
        CAgiChipRender::RenderAll(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                  SynthKind::PCjr, FadeKind::None,
                                  [&](const std::int16_t* p, std::size_t n)
                                  {
                                      EXPECT_LE(n, CAgiChipRender::kMaxBlock);
                                      rendered.insert(rendered.end(), p, p + n);
                                  });
    EXPECT_EQ(total, rendered.size());

    // The same events by hand, each at the first sample of its tick.
    CChipSynth chip;
    std::vector<std::int16_t> expected;
    const auto until = [&](unsigned tick) { Append(chip, expected, tick * 735 - expected.size()); };
    chip.SetDivisor(0, 427);
    chip.SetDivisor(1, 100);
    chip.SetAttenuation(1, 3);
    chip.SetDivisor(2, 20);
    chip.StartNoise(4);
    chip.SetAttenuation(3, 0);
    chip.StartNoise(3);
    chip.SetAttenuation(3, 2);
    until(3);
    chip.SetDivisor(0, 254);
    chip.SetAttenuation(0, 0);
    until(5);
    chip.SetAttenuation(0, 6);
    until(9);
    chip.SetAttenuation(0, 15);
    until(10);
    chip.SetAttenuation(3, 15);
    until(120);
    EXPECT_EQ(rendered, expected);
}
