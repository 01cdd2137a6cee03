// SPDX-License-Identifier: GPL-3.0-or-later
// The sound chips, the interpreters' fade on them and the speaker, measured in their output.
#include "AgiTestBytes.h"
#include "playback/AgiChipRender.h"
#include "playback/ChipSynth.h"
#include "playback/SoundRenderer.h"
#include "playback/SpeakerSynth.h"
#include "sound/AgiResource.h"
#include "support/FadeTables.h"
#include "support/RenderedSound.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numeric>
#include <vector>

namespace
{
constexpr double kClock = 3579545.0;
constexpr std::size_t kSettle = 2048;
constexpr std::size_t kTick = 735;

bool Silent(const Samples& s, std::size_t from = 0)
{
    return IsSilent(s.data() + from, s.size() - from);
}

double ToneHz(unsigned divisor)
{
    return kClock / (32.0 * (divisor == 0 ? 1024 : divisor));
}

void Append(CChipSynth& chip, Samples& out, std::size_t n)
{
    out.resize(out.size() + n);
    chip.Render(out.data() + out.size() - n, n);
}

Samples Render(CChipSynth& chip, std::size_t n)
{
    Samples samples;
    Append(chip, samples, n);
    return samples;
}

// The spectrum of the next n samples after `skip` more.
CSpectrum Analyse(CChipSynth& chip, std::size_t n = 32768, std::size_t skip = kSettle)
{
    const Samples samples = Render(chip, skip + n);
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

// RMS of a tick once the band-limited edge of its level change has passed.
double TickRms(const Samples& samples, std::size_t tick)
{
    return Rms(samples, tick * kTick + 40, (tick + 1) * kTick);
}

// Each tick's attenuation read from its level against the loudest: 2 dB a step, 15 silent.
std::vector<int> MeasuredAttenuations(const Samples& samples, double loudestRms)
{
    std::vector<int> out;
    for (std::size_t tick = 0; tick < samples.size() / kTick; ++tick)
    {
        const double rms = TickRms(samples, tick);
        out.push_back(
            rms < 1.0 ? 15 : static_cast<int>(std::lround(20 * std::log10(loudestRms / rms) / 2)));
    }
    return out;
}

// What a tone voice plays over records of these lengths at one attenuation.
std::vector<int> Expected(const std::vector<int>& table, int attenuation,
                          std::initializer_list<int> records)
{
    std::vector<int> out;
    for (const int ticks : records)
        for (int k = 0; k < ticks; ++k)
        {
            const int moved = attenuation + table[std::min<std::size_t>(k, table.size() - 1)];
            out.push_back(attenuation == 15 ? 15 : std::clamp(moved, 0, 15));
        }
    return out;
}

std::string LongNote(int attenuation)
{
    // A volume-only record restarts the table as a new note does.
    return Resource(
        {Tone(0, 100, 100, attenuation) + Record(30, 0, 0, 0x90 + attenuation), "", "", ""});
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
    EXPECT_TRUE(Silent(Render(chip, 20000), CBandLimitedSteps::kTaps));
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
    // Noise control, voice 2's attenuation, pitch.
    for (const auto& [control, voice2Attenuation, hz] : {std::tuple{0u, 15u, kClock / 512 / 15},
                                                         {1u, 15u, kClock / 1024 / 15},
                                                         {2u, 15u, kClock / 2048 / 15},
                                                         {3u, 15u, ToneHz(20) / 15},
                                                         {3u, 0u, ToneHz(20) / 15}})
    {
        CChipSynth chip;
        chip.SetDivisor(2, 20);
        chip.SetAttenuation(2, voice2Attenuation);
        chip.StartNoise(control);
        chip.SetAttenuation(CChipSynth::kNoiseVoice, 0);
        EXPECT_NEAR(PitchHz(Analyse(chip), 50, 2000), hz, 0.2) << control;
        // Voice 2's divisor moves rate-3 noise at once, without a new noise record.
        chip.SetDivisor(2, 40);
        EXPECT_NEAR(PitchHz(Analyse(chip), 50, 2000), control == 3 ? hz / 2 : hz, 0.2);
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
    Samples samples;
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

TEST(ChipNoise, RecoveredRegisterFollowsEachChipsFeedbackAndReload)
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
    // The same white noise written again at bit 300: only the PCjr reloads the register.
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
            const Samples s = Render(chip, 441000);
            const double mean = std::accumulate(s.begin(), s.end(), 0.0) / 441000;
            EXPECT_LT(std::abs(mean), 0.01 * CChipSynth::kPeak) << rate;
        }
}

TEST(ChipVariant, TandyTonesAreThePCjrTones)
{
    const auto tones = [](ChipVariant variant)
    {
        CChipSynth chip(variant);
        Samples samples;
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
    Samples rendered;
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
    Samples expected;
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

TEST(InterpreterFade, LevelPerTickFollowsTheTableRestartedAtEveryRecord)
{
    const double loudest = TickRms(RenderAgi(LongNote(0), SynthKind::PCjr, FadeKind::None), 50);
    for (const SynthKind kind : {SynthKind::PCjr, SynthKind::Tandy})
        for (const auto& [fade, table] :
             {std::pair{FadeKind::V2, &kTable29}, std::pair{FadeKind::V3, &kTable3}})
            for (const int attenuation : {0, 4, 10, 15})
            {
                const Samples samples = RenderAgi(LongNote(attenuation), kind, fade);
                ASSERT_EQ(samples.size(), 130 * kTick);
                EXPECT_EQ(MeasuredAttenuations(samples, loudest),
                          Expected(*table, attenuation, {100, 30}))
                    << SynthKindName(kind) << FadeKindName(fade) << " at " << attenuation;
            }
}

TEST(InterpreterFade, NoiseDoesNotFade)
{
    const std::string noise = Resource({"", "", "", Noise(90, 1, true, 3)});
    EXPECT_EQ(RenderAgi(noise, SynthKind::PCjr, FadeKind::V3),
              RenderAgi(noise, SynthKind::PCjr, FadeKind::None));
}

// Playback reaches the fade and the speaker as the AGI resource's render does.
TEST(InterpreterFade, DocumentRoutesPlayWhatTheirExportPlays)
{
    CSoundDoc doc;
    doc.OnNewDocument();
    std::vector<std::uint8_t> exported;
    {
        std::lock_guard lock(doc.Guard());
        const std::string agi = RandomResource(11, 12, 40);
        ASSERT_TRUE(ParseAgiResource(doc, {agi.begin(), agi.end()}).Ok());
        exported = BuildAgiResource(doc, doc.GetPlayRange()).Value();
    }
    const std::pair<SynthKind, FadeKind> choices[] = {{SynthKind::PCjr, FadeKind::V2},
                                                      {SynthKind::Tandy, FadeKind::V3},
                                                      {SynthKind::Speaker, FadeKind::V3}};
    for (const auto& [kind, fade] : choices)
    {
        const Samples agi = RenderAgi(std::string(exported.begin(), exported.end()), kind, fade);

        const auto pRenderer = MakeSoundRenderer(kind, fade);
        Samples played(agi.size());
        {
            std::lock_guard lock(doc.Guard());
            const PlayRange range = doc.GetPlayRange();
            ASSERT_TRUE(pRenderer->Begin(doc, range, range.start).Ok());
            for (std::size_t at = 0; at < played.size(); at += kTick)
            {
                pRenderer->RenderSlot(played.data() + at);
                pRenderer->Advance(doc, range);
            }
        }
        EXPECT_TRUE(played == agi) << SynthKindName(kind) << FadeKindName(fade);
    }
}

TEST(InterpreterFade, PreviewFadesAsTheGameWould)
{
    const auto pRenderer = MakeSoundRenderer(SynthKind::PCjr, FadeKind::V3);
    Samples preview(ISoundRenderer::kPreviewSamples);
    ASSERT_TRUE(pRenderer->RenderPreview(69, preview.data()));
    const double loudest = TickRms(RenderAgi(LongNote(0), SynthKind::PCjr, FadeKind::None), 50);
    const std::size_t toneTicks = ISoundRenderer::kPreviewToneSamples / kTick;
    preview.resize(toneTicks * kTick);
    EXPECT_EQ(MeasuredAttenuations(preview, loudest),
              Expected(kTable3, 0, {static_cast<int>(toneTicks)}));
}

TEST(Speaker, PitchIsTheTimerCountNearestTheChipsDivisor)
{
    // Divisors 10 and 20 round far enough from the chip's pitch for the FFT to tell.
    const std::pair<unsigned, unsigned> counts[] = {
        {1023, 10912}, {427, 4555}, {254, 2709}, {20, 213}, {10, 107}};
    for (const auto& [divisor, count] : counts)
    {
        const Samples s = RenderAgi(
            Resource({Tone(0, 100, static_cast<int>(divisor), 0), "", "", ""}), SynthKind::Speaker);
        const CSpectrum spectrum(s.data() + 4096, 65536);
        EXPECT_NEAR(spectrum.PeakHz(50, 20000), 1193180.0 / count, 0.04) << divisor;
        EXPECT_LT(spectrum.Db(2 * 1193180.0 / count) - spectrum.Db(1193180.0 / count), -80)
            << "a square wave has no even harmonics";
    }
}

TEST(Speaker, OneLevelVoiceZeroAloneAtTheChipsTiming)
{
    // Voice 0: attenuations 0, 9 and 14 at one level, 15 silent, divisor 0 silent.
    const std::string bytes =
        Resource({Tone(0, 10, 254, 0) + Tone(0, 10, 254, 9) + Tone(0, 10, 254, 14) +
                      Tone(0, 10, 254, 15) + Tone(0, 10, 0, 0) + Tone(0, 10, 254, 0),
                  Tone(1, 80, 300, 0), Tone(2, 80, 400, 0), Noise(80, 1, true, 0)});
    const Samples s = RenderAgi(bytes, SynthKind::Speaker);
    ASSERT_EQ(s.size(), 80 * kTick);
    const auto part = [&](int record)
    { return Rms(s, record * 10 * kTick + 100, (record + 1) * 10 * kTick); };
    EXPECT_NEAR(part(0), CSpeakerSynth::kLevel, 0.02 * CSpeakerSynth::kLevel);
    for (const int record : {1, 2, 3, 4, 5})
        EXPECT_NEAR(part(record), record == 3 || record == 4 ? 0.0 : part(0),
                    record == 3 || record == 4 ? 0.0 : 1.0)
            << record;
    // The sound ends with voice 0's last record: the other voices are not heard.
    EXPECT_TRUE(Silent(s, 60 * kTick + 40));
}

TEST(Speaker, NoteKeepsItsPhaseAcrossAVolumeOnlyRecord)
{
    // A record that changes only the attenuation must not restart the square.
    EXPECT_EQ(RenderAgi(Resource({Tone(0, 7, 254, 0) + Record(7, 0, 0, 0x92), "", "", ""}),
                        SynthKind::Speaker),
              RenderAgi(Resource({Tone(0, 14, 254, 0), "", "", ""}), SynthKind::Speaker));
}
