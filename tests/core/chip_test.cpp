// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/AgiChipRender.h"
#include "playback/ChipSynth.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace
{
constexpr double kClock = 3579545.0;
constexpr std::size_t kSettle = 2048;
constexpr std::size_t kFft = 32768;

double ToneHz(unsigned divisor)
{
    return kClock / (32.0 * (divisor == 0 ? 1024 : divisor));
}

std::vector<std::int16_t> Render(CChipSynth& chip, std::size_t n)
{
    std::vector<std::int16_t> samples(n);
    chip.Render(samples.data(), n);
    return samples;
}

// The spectrum of a sound after the chip has settled.
CSpectrum Analyse(CChipSynth& chip, std::size_t n = kFft)
{
    const std::vector<std::int16_t> samples = Render(chip, kSettle + n);
    return CSpectrum(samples.data() + kSettle, n);
}

std::vector<std::int16_t> RenderTone(unsigned divisor, unsigned attenuation, std::size_t n)
{
    CChipSynth chip;
    chip.SetDivisor(0, divisor);
    chip.SetAttenuation(0, attenuation);
    return Render(chip, n);
}

CSpectrum ToneSpectrum(unsigned divisor, unsigned attenuation = 0, std::size_t n = kFft)
{
    const std::vector<std::int16_t> samples = RenderTone(divisor, attenuation, kSettle + n);
    return CSpectrum(samples.data() + kSettle, n);
}

// The lowest line of a harmonic sound: periodic noise's first harmonics are almost equally
// strong, so the strongest line need not be the pitch.
double PitchHz(const CSpectrum& spectrum, double loHz, double hiHz)
{
    const double strongest = spectrum.MaxDb(loHz, hiHz);
    double hz = loHz;
    while (spectrum.MaxDb(hz, hz) < strongest - 10)
        hz += spectrum.BinHz();
    return spectrum.PeakHz(hz, hz + 8 * spectrum.BinHz());
}

int PeakMagnitude(const std::vector<std::int16_t>& samples)
{
    int peak = 0;
    for (const std::int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}
} // namespace

TEST(ChipTone, PitchIsClockOver32TimesDivisor)
{
    for (const unsigned divisor : {0u, 1023u, 427u, 254u, 100u, 12u})
    {
        const CSpectrum spectrum = ToneSpectrum(divisor, 0, 65536);
        EXPECT_NEAR(spectrum.PeakHz(50, 20000), ToneHz(divisor), 0.04) << "divisor " << divisor;
    }
}

TEST(ChipTone, SquareWaveHarmonics)
{
    const double f = ToneHz(254);
    const CSpectrum spectrum = ToneSpectrum(254);
    EXPECT_NEAR(spectrum.Db(3 * f) - spectrum.Db(f), -9.54, 0.1);
    EXPECT_NEAR(spectrum.Db(5 * f) - spectrum.Db(f), -13.98, 0.1);
    // A duty cycle off 50% would bring in even harmonics.
    EXPECT_LT(spectrum.Db(2 * f) - spectrum.Db(f), -80);
}

TEST(ChipTone, AttenuationStepsTwoDecibels)
{
    const double f = ToneHz(254);
    const double loudest = ToneSpectrum(254, 0).Db(f);
    // Fundamental of a square of the voice's peak level, relative to full scale.
    EXPECT_NEAR(loudest, 20 * std::log10(4 / M_PI * CChipSynth::kPeak / 32768.0), 0.02);
    for (unsigned attenuation : {1u, 2u, 5u, 9u, 14u})
        EXPECT_NEAR(ToneSpectrum(254, attenuation).Db(f) - loudest, -2.0 * attenuation, 0.05)
            << "attenuation " << attenuation;
}

TEST(ChipTone, AttenuationFifteenIsExactSilence)
{
    CChipSynth chip;
    chip.SetDivisor(0, 300);
    chip.SetAttenuation(0, 0);
    Render(chip, 5000);
    chip.SetAttenuation(0, 15);
    const std::vector<std::int16_t> after = Render(chip, 20000);
    EXPECT_TRUE(std::all_of(after.begin() + CBandLimitedSteps::kTaps, after.end(),
                            [](std::int16_t s) { return s == 0; }));
}

TEST(ChipTone, AliasesStayFiftyDecibelsDown)
{
    for (const unsigned divisor : {12u, 13u, 14u, 15u, 16u, 17u, 18u, 19u, 20u, 33u, 47u})
    {
        const double f = ToneHz(divisor);
        const CSpectrum spectrum = ToneSpectrum(divisor);
        const double tone = spectrum.Db(f);
        double worst = -300;
        for (double hz = 20; hz <= 20000; hz += spectrum.BinHz())
        {
            const double harmonic = std::round(hz / f);
            if (harmonic >= 1 && std::abs(hz - harmonic * f) < 8 * spectrum.BinHz())
                continue;
            worst = std::max(worst, spectrum.MaxDb(hz, hz));
        }
        EXPECT_LT(worst - tone, -50) << "divisor " << divisor;
    }
}

TEST(ChipOutput, VoiceLevelsLeaveHeadroom)
{
    // The ringing bound covers any signal; the sweep checks it against real tones.
    EXPECT_LE(CChipSynth::kPeak * CBandLimitedSteps::PeakGain(), 32768 / 4);
    int loudest = 0;
    for (unsigned divisor = 1; divisor < 1024; divisor += divisor < 40 ? 1 : 7)
        loudest = std::max(loudest, PeakMagnitude(RenderTone(divisor, 0, 4096)));
    EXPECT_LE(loudest, 32768 / 4);
    EXPECT_GT(loudest, CChipSynth::kPeak);

    for (const unsigned divisor : {6u, 11u, 57u, 400u})
    {
        CChipSynth chip;
        for (int voice = 0; voice < CChipSynth::kVoices; ++voice)
        {
            if (voice < CChipSynth::kToneVoices)
                chip.SetDivisor(voice, divisor);
            chip.SetAttenuation(voice, 0);
        }
        chip.StartNoise(7);
        EXPECT_LT(PeakMagnitude(Render(chip, 44100)), 32767) << "divisor " << divisor;
    }
}

TEST(ChipOutput, NoDcOffset)
{
    CChipSynth chip;
    for (int voice = 0; voice < CChipSynth::kToneVoices; ++voice)
    {
        chip.SetDivisor(voice, 97 + 330 * voice);
        chip.SetAttenuation(voice, 0);
    }
    const std::vector<std::int16_t> samples = Render(chip, 441000);
    const double mean =
        std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(samples.size());
    EXPECT_LT(std::abs(mean), 2.0);
}

TEST(ChipNoise, WhiteNoiseIsBroadbandPeriodicNoiseIsNot)
{
    struct Case
    {
        unsigned control;
        bool bBroadband;
    };
    for (const Case c : {Case{4, true}, Case{5, true}, Case{0, false}})
    {
        CChipSynth chip;
        chip.StartNoise(c.control);
        chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
        const CSpectrum spectrum = Analyse(chip);
        const double mean = spectrum.MeanDb(100, 1500);
        // No line stands out of white noise; periodic noise is all lines.
        EXPECT_EQ(spectrum.MaxDb(100, 1500) - mean < 15, c.bBroadband) << c.control;
        if (c.bBroadband)
        {
            EXPECT_NEAR(spectrum.MeanDb(20, 100), mean, 3) << c.control;
        }
    }
}

TEST(ChipNoise, PeriodicNoisePitchIsShiftRateOver15)
{
    for (unsigned rate = 0; rate < 3; ++rate)
    {
        CChipSynth chip;
        chip.StartNoise(rate);
        chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
        const double expected = kClock / (512 << rate) / 15;
        EXPECT_NEAR(PitchHz(Analyse(chip), 50, 3000), expected, 0.2) << "rate " << rate;
    }
}

TEST(ChipNoise, RateThreeFollowsVoiceTwoEvenWhenSilent)
{
    for (const unsigned voice2Attenuation : {15u, 0u})
    {
        CChipSynth chip;
        chip.SetDivisor(2, 20);
        chip.SetAttenuation(2, voice2Attenuation);
        chip.StartNoise(3);
        chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
        EXPECT_NEAR(PitchHz(Analyse(chip), 50, 2000), ToneHz(20) / 15, 0.2);
        // A new divisor changes the noise pitch at once, without a new noise record.
        chip.SetDivisor(2, 40);
        EXPECT_NEAR(PitchHz(Analyse(chip), 50, 2000), ToneHz(40) / 15, 0.2);
    }
}

TEST(ChipVariant, TandyTonesEqualPCjrTones)
{
    std::vector<std::int16_t> out[2];
    for (int i = 0; i < 2; ++i)
    {
        CChipSynth chip(i == 0 ? ChipVariant::PCjr : ChipVariant::Tandy1000);
        for (unsigned step = 0; step < 40; ++step)
        {
            chip.SetDivisor(step % 3, 13 + step * 25);
            chip.SetAttenuation(step % 3, step % 16);
            const std::vector<std::int16_t> part = Render(chip, 735);
            out[i].insert(out[i].end(), part.begin(), part.end());
        }
    }
    EXPECT_EQ(out[0], out[1]);
}

// A second noise record: the PCjr restarts the sequence; the Tandy 1000 only when the noise
// type changes. Rendering split at the record must otherwise change nothing.
TEST(ChipVariant, NoiseRecordReloadsTheRegister)
{
    const auto render = [](ChipVariant variant, unsigned second, bool bSplit)
    {
        CChipSynth chip(variant);
        chip.StartNoise(4);
        chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
        std::vector<std::int16_t> samples = Render(chip, 3000);
        if (bSplit)
            chip.StartNoise(second);
        const std::vector<std::int16_t> rest = Render(chip, 3000);
        samples.insert(samples.end(), rest.begin(), rest.end());
        return samples;
    };
    const auto pcjrWhite = render(ChipVariant::PCjr, 4, false);
    const auto tandyWhite = render(ChipVariant::Tandy1000, 4, false);
    EXPECT_NE(pcjrWhite, tandyWhite) << "the Tandy's feedback is inverted";
    EXPECT_NE(render(ChipVariant::PCjr, 4, true), pcjrWhite);
    EXPECT_EQ(render(ChipVariant::Tandy1000, 4, true), tandyWhite);
    EXPECT_EQ(render(ChipVariant::Tandy1000, 5, true), render(ChipVariant::Tandy1000, 5, true));
    // Changing to periodic noise reloads both, and periodic noise is the same on both.
    const auto pcjrPeriodic = render(ChipVariant::PCjr, 0, true);
    const auto tandyPeriodic = render(ChipVariant::Tandy1000, 0, true);
    EXPECT_TRUE(std::equal(pcjrPeriodic.begin() + 3000 + CBandLimitedSteps::kTaps,
                           pcjrPeriodic.end(),
                           tandyPeriodic.begin() + 3000 + CBandLimitedSteps::kTaps));
}

namespace
{
std::string Record(unsigned ticks, unsigned byte2, unsigned byte3, unsigned byte4)
{
    return {static_cast<char>(ticks & 0xFF), static_cast<char>(ticks >> 8),
            static_cast<char>(byte2), static_cast<char>(byte3), static_cast<char>(byte4)};
}

std::string Tone(int voice, unsigned ticks, unsigned divisor, unsigned attenuation)
{
    return Record(ticks, divisor >> 4, 0x80 | voice << 5 | (divisor & 0x0F),
                  0x90 | voice << 5 | attenuation);
}

std::string Noise(unsigned ticks, unsigned control, unsigned attenuation)
{
    return Record(ticks, 0, 0xE0 | control, 0xF0 | attenuation);
}

const std::string kEnd = "\xFF\xFF";

std::string Resource(const std::string (&voices)[4])
{
    std::string header;
    std::size_t offset = 8;
    for (const std::string& v : voices)
    {
        header += static_cast<char>(offset & 0xFF);
        header += static_cast<char>(offset >> 8);
        offset += v.size();
    }
    return header + voices[0] + voices[1] + voices[2] + voices[3];
}

std::vector<std::int16_t> RenderResource(const std::string& bytes, std::size_t* pLargestBlock)
{
    std::vector<std::int16_t> out;
    const std::uint64_t total = CAgiChipRender::RenderAll(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), ChipVariant::PCjr,
        [&](const std::int16_t* p, std::size_t n)
        {
            *pLargestBlock = std::max(*pLargestBlock, n);
            out.insert(out.end(), p, p + n);
        });
    EXPECT_EQ(total, out.size());
    return out;
}
} // namespace

TEST(AgiChipRender, PlaysRecordsOnTheirTicks)
{
    const std::string bytes = Resource({
        Tone(0, 3, 427, 15) + Tone(0, 2, 254, 0) + Record(4, 0, 0, 6) + kEnd,
        Tone(1, 12, 100, 3) + kEnd,
        Tone(2, 1, 20, 15) + kEnd,
        Noise(0, 4, 0) + Noise(10, 3, 2) + kEnd,
    });
    std::size_t largest = 0;
    const std::vector<std::int16_t> rendered = RenderResource(bytes, &largest);
    ASSERT_EQ(rendered.size(), 12u * 735);

    // The same events by hand, at the sample of each tick.
    CChipSynth chip;
    std::vector<std::int16_t> expected;
    const auto until = [&](unsigned tick)
    {
        const std::vector<std::int16_t> part = Render(chip, tick * 735 - expected.size());
        expected.insert(expected.end(), part.begin(), part.end());
    };
    chip.SetDivisor(0, 427);
    chip.SetDivisor(1, 100);
    chip.SetAttenuation(1, 3);
    chip.SetDivisor(2, 20);
    chip.StartNoise(4);
    chip.SetAttenuation(3, 0);
    chip.StartNoise(3);
    chip.SetAttenuation(3, 2);
    until(1);
    until(3);
    chip.SetDivisor(0, 254);
    chip.SetAttenuation(0, 0);
    until(5);
    chip.SetAttenuation(0, 6);
    until(9);
    chip.SetAttenuation(0, 15);
    until(10);
    chip.SetAttenuation(3, 15);
    until(12);
    EXPECT_EQ(rendered, expected);
}

TEST(AgiChipRender, DamagedOrLongResourcesPlayWhatIsValid)
{
    struct Case
    {
        std::string name;
        std::string bytes;
        std::size_t ticks;
    };
    const std::string silent = Tone(0, 7, 300, 0);
    const Case cases[] = {
        {"too short for a header", "\x08\x00\x08"s, 0},
        {"offsets past the end", "\x08\x00\xF0\x00\xF0\x00\xF0\x00"s + silent, 7},
        {"no terminator, stray bytes", Resource({silent + "\x01\x02\x03", "", "", ""}), 7},
        {"noise runs to the end", Resource({kEnd, kEnd, kEnd, Noise(9, 4, 0)}), 9},
        {"longer than one block", Resource({Tone(0, 150, 99, 0) + kEnd, kEnd, kEnd, kEnd}), 150},
    };
    for (const Case& c : cases)
    {
        std::size_t largest = 0;
        EXPECT_EQ(RenderResource(c.bytes, &largest).size(), c.ticks * 735) << c.name;
        EXPECT_LE(largest, CAgiChipRender::kMaxBlock) << c.name;
    }
}
