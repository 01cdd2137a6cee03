// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/AgiChipRender.h"
#include "playback/ChipSynth.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace std::string_literals;

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

int PeakMagnitude(const std::vector<std::int16_t>& samples)
{
    const auto [lo, hi] = std::minmax_element(samples.begin(), samples.end());
    return std::max(-static_cast<int>(*lo), static_cast<int>(*hi));
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

TEST(ChipTone, SquareWaveAtTwoDecibelsPerStep)
{
    const double f = ToneHz(254);
    CChipSynth chip = ToneChip(254);
    const CSpectrum spectrum = Analyse(chip);
    const double loudest = spectrum.Db(f);
    EXPECT_NEAR(loudest, 20 * std::log10(4 / M_PI * CChipSynth::kPeak / 32768.0), 0.02);
    EXPECT_NEAR(spectrum.Db(3 * f) - loudest, -9.54, 0.1);
    EXPECT_NEAR(spectrum.Db(5 * f) - loudest, -13.98, 0.1);
    EXPECT_LT(spectrum.Db(2 * f) - loudest, -80) << "a duty cycle off 50% has even harmonics";
    EXPECT_LT(spectrum.MaxDb(0, 5), -100) << "no DC offset";
    for (unsigned attenuation : {1u, 2u, 5u, 9u, 14u})
    {
        chip.SetAttenuation(0, attenuation);
        EXPECT_NEAR(Analyse(chip).Db(f) - loudest, -2.0 * attenuation, 0.05) << attenuation;
    }
}

TEST(ChipTone, StartsWithinAMillisecondAndStopsToExactSilence)
{
    CChipSynth chip = ToneChip(1023);
    const std::vector<std::int16_t> start = Render(chip, 200);
    const auto rise = std::find_if(start.begin(), start.end(),
                                   [](std::int16_t s) { return s > CChipSynth::kPeak / 2; });
    EXPECT_LE(rise - start.begin(), 44);
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

TEST(ChipOutput, FourVoicesNeverClip)
{
    // The ringing bound covers any signal; the sweep checks it against real tones.
    EXPECT_LE(CChipSynth::kPeak * CBandLimitedSteps::PeakGain(), 32768 / 4);
    int loudest = 0;
    for (unsigned divisor = 1; divisor < 1024; divisor += divisor < 40 ? 1 : 7)
    {
        CChipSynth chip = ToneChip(divisor);
        loudest = std::max(loudest, PeakMagnitude(Render(chip, 4096)));
    }
    EXPECT_LE(loudest, 32768 / 4);
    CChipSynth chip = ToneChip(11);
    for (int voice = 1; voice < CChipSynth::kVoices; ++voice)
    {
        chip.SetDivisor(voice % 3, 11);
        chip.SetAttenuation(voice, 0);
    }
    chip.StartNoise(7);
    EXPECT_LT(PeakMagnitude(Render(chip, 44100)), 32767);
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

TEST(ChipVariant, TandyDiffersOnlyInNoise)
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

    // White noise, then a second noise record (or none) 3000 samples in.
    const auto noise = [](ChipVariant variant, int second)
    {
        CChipSynth chip(variant);
        chip.StartNoise(4);
        chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
        std::vector<std::int16_t> samples = Render(chip, 3000);
        if (second >= 0)
            chip.StartNoise(second);
        Append(chip, samples, 3000);
        return samples;
    };
    const auto pcjr = noise(ChipVariant::PCjr, -1);
    const auto tandy = noise(ChipVariant::Tandy1000, -1);
    EXPECT_NE(pcjr, tandy) << "inverted feedback";
    EXPECT_NE(noise(ChipVariant::PCjr, 4), pcjr) << "every record reloads";
    EXPECT_EQ(noise(ChipVariant::Tandy1000, 4), tandy) << "same type: no reload";
    // A change to periodic noise reloads both, and periodic noise is the same on both.
    const auto pcjrPeriodic = noise(ChipVariant::PCjr, 0);
    const auto tandyPeriodic = noise(ChipVariant::Tandy1000, 0);
    const std::size_t settled = 3000 + CBandLimitedSteps::kTaps;
    EXPECT_TRUE(std::equal(pcjrPeriodic.begin() + settled, pcjrPeriodic.end(),
                           tandyPeriodic.begin() + settled));
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
        header += {static_cast<char>(offset & 0xFF), static_cast<char>(offset >> 8)};
        offset += v.size();
    }
    return header + voices[0] + voices[1] + voices[2] + voices[3];
}

std::vector<std::int16_t> RenderResource(const std::string& bytes)
{
    std::vector<std::int16_t> out;
    const std::uint64_t total = CAgiChipRender::RenderAll(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), ChipVariant::PCjr,
        [&](const std::int16_t* p, std::size_t n)
        {
            EXPECT_LE(n, CAgiChipRender::kMaxBlock);
            out.insert(out.end(), p, p + n);
        });
    EXPECT_EQ(total, out.size());
    return out;
}
} // namespace

TEST(AgiChipRender, PlaysRecordsOnTheirTicks)
{
    const std::vector<std::int16_t> rendered = RenderResource(
        Resource({Tone(0, 3, 427, 15) + Tone(0, 2, 254, 0) + Record(4, 0, 0, 6) + kEnd,
                  Tone(1, 12, 100, 3) + kEnd, Tone(2, 1, 20, 15) + kEnd,
                  Noise(0, 4, 0) + Noise(10, 3, 2) + kEnd}));

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
    until(12);
    EXPECT_EQ(rendered, expected);
}

TEST(AgiChipRender, DamagedOrLongResourcesPlayWhatIsValid)
{
    struct Case
    {
        std::string name, bytes;
        std::size_t ticks;
    };
    const std::string note = Tone(0, 7, 300, 0);
    const Case cases[] = {
        {"too short for a header", "\x08\x00\x08"s, 0},
        {"offsets past the end", "\x08\x00\xF0\x00\xF0\x00\xF0\x00"s + note, 7},
        {"no terminator, stray bytes", Resource({note + "\x01\x02\x03", "", "", ""}), 7},
        {"noise runs to the end", Resource({kEnd, kEnd, kEnd, Noise(9, 4, 0)}), 9},
        {"longer than one block", Resource({Tone(0, 150, 99, 0) + kEnd, kEnd, kEnd, kEnd}), 150},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RenderResource(c.bytes).size(), c.ticks * 735) << c.name;
}
