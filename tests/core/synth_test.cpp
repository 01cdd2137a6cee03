// SPDX-License-Identifier: GPL-3.0-or-later
// The sine synthesizer, and the WAV files that every synthesizer's render goes into.
#include "AgiTestBytes.h"
#include "framework/AtomicFile.h"
#include "playback/AgiChipRender.h"
#include "playback/OfflineRenderer.h"
#include "playback/SynthKind.h"
#include "playback/ToneSynth.h"
#include "playback/WavWriter.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"
#include "sound/VgmWriter.h"
#include "support/Spectrum.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sys/resource.h>

namespace
{
using Samples = std::vector<std::int16_t>;

// A pattern of the given notes and attenuations (255 keeps the last; the first row's
// attenuation is 0 unless given) placed at a song position.
struct Placement
{
    int channel, pos;
    std::vector<int> notes, attens = {};
};

// A document with a tempo, a play range and the placed patterns, and nothing else.
void MakeSong(CSoundDoc& doc, int bpm, int tpb, int rangeStart, int rangeEnd,
              const std::vector<Placement>& placements)
{
    doc.DeleteContents();
    doc.AssignProperties({bpm, doc.GetStepSize(), tpb});
    doc.AssignPlayRange({rangeStart, rangeEnd});
    for (const auto& [channel, pos, notes, attens] : placements)
    {
        CSoundPattern* p = doc.CreatePattern(channel, static_cast<int>(notes.size()));
        for (std::size_t r = 0; r < notes.size(); ++r)
            p->SetCell(static_cast<int>(r),
                       ToneCell(notes[r], r < attens.size() ? attens[r] : (r == 0 ? 0 : 255)));
        doc.PlacePattern(channel, pos, p);
    }
}

Samples Render(const CSoundDoc& doc)
{
    Samples samples;
    EXPECT_TRUE(RenderPlayRange(doc, samples, 1u << 30));
    return samples;
}

Samples Row(const Samples& samples, int row, int n)
{
    return {samples.begin() + row * n, samples.begin() + (row + 1) * n};
}

int Peak(const Samples& samples)
{
    int peak = 0;
    for (std::int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

// The peak of each row of n samples.
std::string Peaks(const Samples& samples, int n = 5880)
{
    std::string out;
    for (std::size_t row = 0; row * n < samples.size(); ++row)
        out += (row ? " " : "") + std::to_string(Peak(Row(samples, static_cast<int>(row), n)));
    return out;
}

double Sine(double freq, int i)
{
    return std::sin(i * 6.283185307179586 * freq / 44100) * 10000;
}

// Sample i of n of a full-strength tone faded in over its first and out over its last 288.
double Faded(double freq, int i, int n)
{
    const int j = std::min(i, n - 1 - i);
    const double sample = std::trunc(Sine(freq, i));
    return j < 288 ? std::trunc(sample * std::log10(1 + j * 0.03125)) : sample;
}

long PeakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

Status WriteWav(const std::string& path, const std::string& agi, WavOptions options)
{
    const std::vector<std::uint8_t> resource(agi.begin(), agi.end());
    return WriteAtomically(path, [&](CFile& out) { return ExportAgiWav(resource, options, out); });
}

std::string Measure(const std::string& agi, SynthKind kind, WavLength& length)
{
    const Result<WavLength> measured =
        MeasureAgiWavFile(reinterpret_cast<const std::uint8_t*>(agi.data()), agi.size(), kind);
    length = measured.Ok() ? measured.Value() : WavLength{};
    return measured.Error();
}

// Records of 65534 ticks, each 18 minutes at the chips' tick.
std::string LongestRecords(int n)
{
    return Resource({Repeat(Tone(0, 0xFFFE, 254, 0), n), "", "", ""});
}
} // namespace

TEST(ToneSynth, RowLengthsAndAmplitudes)
{
    std::string blocks;
    for (const unsigned rowBytes : {11026u, 88200u, 88202u, 5292000u})
        blocks += std::to_string(CToneSynth::BlocksForRowBytes(rowBytes)) + " ";
    EXPECT_EQ(blocks, "10 4 4 4 ");

    CToneSynth synth;
    EXPECT_DOUBLE_EQ(synth.m_freq[69], 440.0);
    EXPECT_NEAR(synth.m_freq[119], 7902.13, 0.005);
    std::string amplitudes;
    for (int t = 0; t < 16; ++t)
        amplitudes += std::to_string(static_cast<int>(CToneSynth::Amplitude(t) * 10000)) + " ";
    EXPECT_EQ(amplitudes,
              "10000 9950 9800 9550 9200 8750 8200 7549 6799 5950 5000 3949 2799 1549 199 0 ");
}

TEST(ToneSynth, NoteFadesInContinuesAndFadesOutBeforeARest)
{
    CSoundDoc doc;
    // 120 x 4 plays 8 ticks a row in the game: 8 x 735 samples.
    MakeSong(doc, 120, 4, 0, 5, {{0, 0, {60, 255, 255, NOTE_OFF, 255}}});
    const auto samples = Render(doc);
    const int n = 5880;
    ASSERT_EQ(samples.size(), 5u * n);
    // One unbroken sine from the first sample of row 0 to the last of row 2, full strength
    // right across both row boundaries; the rest and the continue row after it are silent.
    for (int i = 0; i < 3 * n; ++i)
        ASSERT_NEAR(samples[i], Faded(261.6255653005986, i, 3 * n), 1.0) << "sample " << i;
    EXPECT_EQ(samples[3 * n - 1], 0);
    EXPECT_EQ(Peak(Samples(samples.begin() + 3 * n, samples.end())), 0);

    // A repeated note restarts: fade out, fade in, and the phase starts again.
    MakeSong(doc, 120, 4, 0, 2, {{0, 0, {69, 69}}});
    const auto twice = Render(doc);
    const Samples row0 = Row(twice, 0, n), row1 = Row(twice, 1, n);
    EXPECT_EQ(row0[n - 1], 0);
    EXPECT_TRUE(std::equal(row0.begin(), row0.end() - 288, row1.begin()));
    EXPECT_NEAR(row1[300], std::trunc(Sine(440.0, 300)), 1.0);
}

TEST(ToneSynth, WhatIsHeardRowByRow)
{
    const std::vector<int> held = {69, 255, 255, NOTE_OFF};
    // The play range, the patterns, and the peak of each row heard.
    const std::tuple<int, int, std::vector<Placement>, const char*> cases[] = {
        // A continue row first continues the silence before it.
        {0, 3, {{0, 0, {255, 255, 255, 255}, {0, 0, 0, 0}}}, "0 0 0"},
        // 15 is silent, also on continue rows at a lower one.
        {0, 3, {{0, 0, held, {15, 0, 0}}}, "0 0 0"},
        {0, 3, {{0, 0, held, {14}}}, "199 199 199"},
        // An attenuation on a continue row is heard a row later.
        {0, 3, {{0, 0, held, {0, 10}}}, "9999 9999 4999"},
        // Notes from 118 have no pitch.
        {0, 3, {{0, 0, {118, 119, 120, 200}}, {1, 0, {254, 255}}}, "0 0 0"},
        // Three voices stay within range.
        {0, 3, {{0, 0, held}, {1, 0, held}, {2, 0, held}}, "29997 29997 29997"},
        // Starting inside placed patterns: silent until the next placement.
        {2,
         7,
         {{0, 0, {60, 255, 255, 255, 255, 255, 255, 255}},
          {1, 0, {64, 255, 255, 255}},
          {1, 5, {67, 255}}},
         "0 0 0 9999 9999"},
        // A placement cuts off what plays.
        {0, 3, {{0, 0, {60, 255, 255, 255}}, {0, 2, {NOTE_OFF}}}, "9999 9999 0"},
    };
    for (const auto& [rangeStart, rangeEnd, placements, peaks] : cases)
    {
        CSoundDoc doc;
        MakeSong(doc, 120, 4, rangeStart, rangeEnd, placements);
        EXPECT_EQ(Peaks(Render(doc)), peaks) << "from " << rangeStart;
    }

    // Noise is never heard.
    std::vector<Placement> placements = std::get<2>(cases[5]);
    CSoundDoc doc;
    MakeSong(doc, 120, 4, 0, 3, placements);
    const auto voices = Render(doc);
    placements.push_back({3, 0, {40, 50, 60, 70}, {0, 0, 0, 0}});
    placements.push_back({3, 2, {80, 255}});
    MakeSong(doc, 120, 4, 0, 3, placements);
    EXPECT_EQ(Render(doc), voices);
}

TEST(ToneSynth, RowEdgesAtTheRangeEndAndAtExtremeTempos)
{
    CSoundDoc doc;
    // The last row of a pass looks ahead to the range start: it fades out only when the
    // wrapped row starts a note.
    constexpr int kRow = 5880;
    MakeSong(doc, 120, 4, 0, 2, {{1, 0, {255, 69}, {0, 0}}});
    EXPECT_NEAR(Render(doc).back(), std::trunc(Sine(440.0, kRow - 1)), 1.0);
    MakeSong(doc, 120, 4, 0, 2, {{1, 0, {60, 69}, {0, 0}}});
    EXPECT_EQ(Render(doc).back(), 0);

    // A tempo too fast for the game plays a tick a row, each with both of its ramps.
    MakeSong(doc, 256, 256, 0, 3, {{0, 0, {100, 100, 100}}});
    const auto fast = Render(doc);
    ASSERT_EQ(fast.size(), 3u * 735);
    for (int row = 0; row < 3; ++row)
    {
        const auto r = Row(fast, row, 735);
        EXPECT_TRUE(r.front() == 0 && r.back() == 0 && Peak(r) > 5000) << row;
    }

    // A row of many ticks (30 x 1: 522 ticks) is one sine across its slices; row 0 continues
    // into row 1 without a fade, row 1 fades out before the rest.
    MakeSong(doc, 30, 1, 0, 3, {{0, 0, {69, 255, NOTE_OFF}}});
    const auto samples = Render(doc);
    const int n = 522 * 735;
    ASSERT_EQ(samples.size(), 3u * n);
    for (const int i : {735, 735 * 300 + 1, n - 1, n})
        EXPECT_NEAR(samples[i], std::trunc(Sine(440.0, i)), 1.0) << i;
    EXPECT_EQ(samples[2 * n - 1], 0);
    EXPECT_EQ(Peak(Row(samples, 2, n)), 0);
}

namespace
{
// The lengths of the runs of 735-sample ticks that sound and that are silent, in ticks, by
// the second half of each tick (where a chip's last tone has died away).
std::vector<int> TickRuns(const Samples& samples)
{
    std::vector<int> runs;
    bool bLastLoud = false;
    for (std::size_t tick = 0; tick * 735 < samples.size(); ++tick)
    {
        const auto half = samples.begin() + static_cast<std::ptrdiff_t>(tick * 735 + 368);
        const bool bLoud = Peak(Samples(half, half + 367)) > 1000;
        if (runs.empty() || bLoud != bLastLoud)
            runs.push_back(0);
        ++runs.back();
        bLastLoud = bLoud;
    }
    return runs;
}
} // namespace

TEST(GameTempo, EveryRenderPlaysARowForTheTicksTheGameGivesIt)
{
    // Rows per beat, beats per minute and the ticks a row the game plays: at least one.
    for (const auto& [tpb, bpm, ticks] :
         {std::tuple{4, 150, 5}, {4, 100, 11}, {4, 125, 7}, {24, 140, 1}, {256, 256, 1}})
    {
        SCOPED_TRACE(std::to_string(tpb) + " x " + std::to_string(bpm));
        // A note, then a rest, four times over.
        CSoundDoc doc;
        MakeSong(doc, bpm, tpb, 0, 8, {{0, 0, {69, NOTE_OFF, 72, NOTE_OFF, 69, NOTE_OFF, 72, NOTE_OFF}}});
        const std::vector<int> runs(8, ticks);
        EXPECT_EQ(TickRuns(Render(doc)), runs);
        std::lock_guard lock(doc.Guard());
        CAgiChipRender chip(BuildAgiRecords(doc, doc.GetPlayRange()), SynthKind::PCjr,
                            FadeKind::None);
        Samples played(chip.GetTotalSamples());
        chip.Read(played.data(), played.size());
        EXPECT_EQ(TickRuns(played), runs);
        for (const SynthKind kind : {SynthKind::Sine, SynthKind::PCjr})
            EXPECT_EQ(MeasureWavFile(doc, doc.GetPlayRange(), kind).Value().samples,
                      8u * ticks * 735);
    }
}

TEST(ToneSynth, InstrumentNotesTakeEachTicksPitchAndLevel)
{
    // Voice 1 holds a plain note beside voice 0's instrument: the difference of the two
    // renders is voice 0 alone, and nothing of voice 1 may be left in it.
    const Placement plainVoice{1, 0, {100, 255, 255, 255}};
    CSoundDoc plain, doc;
    MakeSong(plain, 120, 4, 0, 4, {plainVoice});
    MakeSong(doc, 120, 4, 0, 4, {plainVoice});
    CInstrument instrument(1, "arp");
    instrument.SetSequence(SequenceKind::Arpeggio, {{0, 12, 7}, 0});
    instrument.SetSequence(SequenceKind::Volume, {{0, 4, 8, 10, 12}, kNoIndex, 3});
    ASSERT_TRUE(doc.SetInstruments({instrument}));
    CSoundPattern* pPattern = Place(doc, 0, 0, 4);
    SoundCell note = ToneCell(69, 0);
    note.instrument = 1;
    pPattern->SetCell(0, note);
    pPattern->SetCell(2, ToneCell(NOTE_OFF, ATTEN_EMPTY));

    const Samples both = Render(doc), alone = Render(plain);
    ASSERT_EQ(both.size(), alone.size());
    Samples voice(both.size());
    for (std::size_t i = 0; i < both.size(); ++i)
        voice[i] = static_cast<std::int16_t>(both[i] - alone[i]);

    // Held for rows 0-1 (16 ticks): the arpeggio loops, the volume holds the value before
    // its release index. Let go at row 2, the volume runs out its last two values at the
    // last held tick's pitch, and the voice is silent through the rest.
    const int kTick = CAgiChipRender::kSamplesPerTick;
    const int arpeggio[] = {0, 12, 7};
    const int atten[] = {0, 4, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 10, 12};
    for (int tick = 0; tick < 32; ++tick)
    {
        const CSpectrum spectrum(voice.data() + tick * kTick + kTick - 512, 512);
        EXPECT_LT(spectrum.Db(2637.02), -80.0) << tick;
        if (tick >= 18)
        {
            EXPECT_LT(spectrum.MaxDb(20.0, 20000.0), -90.0) << tick;
            continue;
        }
        const double hz = 111860.0 / AgiDivisorOfNote(69 + arpeggio[std::min(tick, 15) % 3]);
        EXPECT_NEAR(spectrum.PeakHz(200.0, 2000.0), hz, 2.0) << tick;
        const double level = CToneSynth::Amplitude(atten[tick]) * CToneSynth::kPeak / 32768.0;
        EXPECT_NEAR(spectrum.Db(hz), 20.0 * std::log10(level), 0.2) << tick;
    }
}

TEST(ToneSynth, PreviewIsARampedQuarterSecondTone)
{
    CToneSynth synth;
    Samples preview(10025, 1);
    ASSERT_TRUE(synth.RenderPreview(69, preview.data()));
    // The tone from the first sample for 9025 samples, then 1000 of silence.
    for (int i = 0; i < 10025; ++i)
    {
        const bool bTone = i < 9025;
        ASSERT_NEAR(preview[i], bTone ? Faded(440.0, i, 9025) : 0, bTone ? 1.0 : 0) << i;
    }
    EXPECT_GE(Peak(preview), 9990);
    EXPECT_FALSE(synth.RenderPreview(120, preview.data()));
    EXPECT_FALSE(synth.RenderPreview(-1, preview.data()));
}

TEST(WavOutput, ConverterWritesHeaderAndTheOfflineRender)
{
    const std::string dir = MakeTempDir();
    const std::string source = dir + "/song.agi", wav = dir + "/out.wav";
    WriteFileBytes(source, RandomResource(4, 30, 40));
    ASSERT_EQ(RunConvert(source + " " + wav).exitCode, 0);
    const std::string bytes = ReadFileBytes(wav);
    CSoundDoc doc;
    ASSERT_TRUE(ImportAgiFile(doc, source));
    const auto samples = Render(doc);
    EXPECT_GT(Peak(samples), 1000);
    const auto data = static_cast<std::uint32_t>(samples.size() * 2);
    const std::string format(
        "WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0data", 32);
    EXPECT_EQ(Hex(bytes.substr(0, 44)), Hex("RIFF" + Le32(36 + data) + format + Le32(data)));
    EXPECT_TRUE(bytes.substr(44) ==
                std::string(reinterpret_cast<const char*>(samples.data()), data));
}

TEST(WavWriter, LongRenderStreamsAndCancelLeavesNoFile)
{
    // 96 MB of samples.
    const std::string agi = LongestRecords(1);
    const std::string dir = MakeTempDir();
    const long before = PeakKilobytes();
    int nCalls = 0;
    EXPECT_TRUE(
        WriteWav(dir + "/long.wav", agi, {SynthKind::PCjr, [&](double) { return ++nCalls > 0; }}));
    EXPECT_LT(PeakKilobytes() - before, 64 * 1024);
    EXPECT_EQ(std::filesystem::file_size(dir + "/long.wav"), 44u + 2u * 0xFFFE * 735);
    EXPECT_EQ(nCalls, (0xFFFE * 735 + 44099) / 44100);

    const Status cut = WriteWav(
        dir + "/cut.wav", agi, {SynthKind::Tandy, [](double fraction) { return fraction < 0.01; }});
    EXPECT_TRUE(!cut.Ok() && cut.GetFailure().Silent());
    EXPECT_EQ(FilesIn(dir), 1);
}

TEST(WavWriter, EveryRenderRefusesWhatTheImportRefuses)
{
    // A channel offset past the end of the resource.
    std::string agi = Resource({Tone(0, 10, 254, 0), "", "", ""});
    agi[6] = static_cast<char>(0xF0);
    NewDoc d;
    const Status imported = ImportBytes(d.doc, agi);
    ASSERT_NE(imported.Error(), "");
    const std::string dir = MakeTempDir();
    for (const SynthKind kind : {SynthKind::Sine, SynthKind::PCjr, SynthKind::Tandy})
    {
        SCOPED_TRACE(SynthKindName(kind));
        EXPECT_EQ(WriteWav(dir + "/bad.wav", agi, {kind, {}}).Error(), imported.Error());
        WavLength length;
        EXPECT_EQ(Measure(agi, kind, length), imported.Error());
    }
    const auto* pData = reinterpret_cast<const std::uint8_t*>(agi.data());
    EXPECT_EQ(BuildVgm(pData, agi.size(), {}).Error(), imported.Error());
    EXPECT_TRUE(std::filesystem::is_empty(dir));

    // The converter gives the import's message after the file's name.
    WriteFileBytes(dir + "/bad.agi", agi);
    const ConvertResult r = RunConvert(InFolder("--chip tandy --fade 3 D/bad.agi D/out.vgz", dir));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "tarvok-convert: " + dir + "/bad.agi: " + imported.Error() + "\n");
    EXPECT_EQ(FilesIn(dir), 1);
}

TEST(WavWriter, TheLengthIsKnownBeforeRendering)
{
    const std::string dir = MakeTempDir();
    const std::string song = RandomResource(7, 25, 30);
    for (const SynthKind kind : {SynthKind::Sine, SynthKind::PCjr, SynthKind::Tandy})
    {
        SCOPED_TRACE(SynthKindName(kind));
        WavLength length;
        ASSERT_EQ(Measure(song, kind, length), "");
        ASSERT_TRUE(WriteWav(dir + "/song.wav", song, {kind, {}}));
        EXPECT_EQ(std::filesystem::file_size(dir + "/song.wav"), length.bytes);
        EXPECT_EQ(length.bytes, 44 + 2 * length.samples);
    }

    // A few hundred bytes of the longest records: ten hours, or more than a .wav file holds.
    for (const auto& [records, error] : {std::pair{33, ""}, {50, kWavTooLongText}})
    {
        WavLength length;
        EXPECT_EQ(Measure(LongestRecords(records), SynthKind::PCjr, length), error);
        if (*error == '\0')
        {
            EXPECT_EQ(length.samples, 33u * 0xFFFE * 735);
            EXPECT_GT(length.Seconds(), 10 * 3600);
        }
    }
}

TEST(WavWriter, RendersPastAnHourAreNamedAndNeedLong)
{
    const std::tuple<std::uint64_t, bool, const char*> lengths[] = {
        {59ull * 44100, false, "0:00:59 (5 MB)"},
        {3600ull * 44100, false, "1:00:00 (318 MB)"},
        {3600ull * 44100 + 1, true, "1:00:01 (318 MB)"},
        {36003ull * 44100, true, "10:00:03 (3.2 GB)"},
    };
    for (const auto& [samples, bLong, text] : lengths)
    {
        const WavLength length{samples, 44 + 2 * samples};
        EXPECT_EQ(length.IsLong(), bLong) << text;
        EXPECT_EQ(DescribeWavLength(length), text);
    }

    // Four of the longest records: 1:12:49.
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/long.agi", LongestRecords(4));
    ASSERT_EQ(RunConvert(dir + "/long.agi " + dir + "/long.tks").exitCode, 0);
    const std::string chipRefusal = "the render would last 1:12:49 (385 MB); add --long";
    // Every route to a .wav: a raw resource or a document, played by a chip or the sine.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"--from agi --chip speaker", "long.agi", true},
        {"--chip tandy", "long.tks", true},
        {"", "long.agi", false},
    };
    for (const auto& [options, input, bChip] : cases)
    {
        SCOPED_TRACE(std::string(options) + " " + input);
        const std::string in = dir + "/" + input;
        const std::string line = std::string(options) + " " + in + " " + dir + "/out.wav";
        const ConvertResult refused = RunConvert(line);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_EQ(refused.out.rfind("tarvok-convert: " + in + ": the render would last ", 0), 0u)
            << refused.out;
        EXPECT_NE(refused.out.find("; add --long to write it anyway\n"), std::string::npos);
        EXPECT_TRUE(!bChip || refused.out.find(chipRefusal) != std::string::npos) << refused.out;
        // With --long it renders: past a small file limit, the system's message.
        const ConvertResult started = RunConvertWithFileLimit("--long " + line, 256);
        EXPECT_EQ(started.exitCode, 1);
        EXPECT_EQ(started.out.rfind("tarvok-convert: Cannot save " + dir + "/out.wav:\n", 0), 0u)
            << started.out;
        EXPECT_EQ(FilesIn(dir), 2);
    }
}
