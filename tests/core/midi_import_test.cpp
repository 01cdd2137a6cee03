// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI files the tests write, imported, and what the engine then plays from the AGI export.
#include "playback/OfflineRenderer.h"
#include "sound/AgiResource.h"
#include "sound/AgiTone.h"
#include "sound/MidiImport.h"
#include "sound/SoundDoc.h"
#include "sound/VgmImport.h"
#include "support/ImportBytes.h"
#include "support/Spectrum.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>

namespace
{
constexpr int kQuarter = 480; // MIDI ticks per quarter note in these files
constexpr int kDrums = 9;     // channel 10

using Records = std::vector<SongRecord>;

// Imports into a document and checks that its AGI export plays exactly the song's records.
ImportedSong ImportAndCheckEngine(const Bytes& file, const MidiImportOptions& options = {},
                                  MidiImportCounts* pCounts = nullptr)
{
    const Result<MidiSong> read = ReadMidiFile(file);
    EXPECT_TRUE(read.Ok()) << read.Error();
    MidiImportCounts counts;
    ImportedSong song = ConvertMidi(read.Value(), options, counts);
    CSoundDoc doc;
    const Result<MidiImportCounts> imported = ImportMidi(file, options, doc);
    EXPECT_TRUE(imported.Ok()) << imported.Error();
    const MidiImportCounts& result = imported.Value();
    std::lock_guard lock(doc.Guard());
    const auto build = BuildAgiResource(doc, doc.GetPlayRange());
    EXPECT_TRUE(build.Ok()) << build.Error();
    EXPECT_EQ(ResourceRecords(build.Value()), AudibleRecords(song));
    EXPECT_EQ(build.Value().size(), result.agiBytes);
    EXPECT_EQ(result.cutNotes, counts.cutNotes);
    EXPECT_EQ(result.raisedNotes, counts.raisedNotes);
    EXPECT_EQ(doc.GetPlayRange(), doc.GetWholeSong());
    EXPECT_EQ(doc.GetPlayRange().end * AgiTicksPerRow(doc.GetProperties().tracksPerBeat,
                                                      doc.GetProperties().beatsPerMinute),
              song.lengthTicks);
    if (pCounts != nullptr)
        *pCounts = result;
    return song;
}

// floor(60 t + 1/2) for t in seconds.
std::int64_t TickAt(double seconds)
{
    return static_cast<std::int64_t>(std::floor(60.0 * seconds + 0.5));
}

// A quarter note on channel 1 after what the track holds.
CMidiTrack OneNote(int key, CMidiTrack track = {}, int velocity = 127)
{
    return track.On(0, 0, key, velocity).Off(kQuarter, 0, key).End();
}

SongRecord R(std::int64_t start, std::int64_t ticks, int setting, int atten = 0)
{
    return {start, ticks, static_cast<std::uint16_t>(setting), static_cast<std::uint8_t>(atten)};
}

int Divisor(int key, double semitones)
{
    return static_cast<int>(
        std::trunc(111860.0 / (440.0 * std::pow(2.0, (key - 69 + semitones) / 12.0))));
}
} // namespace

// --- time ---

TEST(MidiImport, SongsBecomeTheirRecordsAndTheEnginePlaysThem)
{
    const double q1 = 0.6, q2 = 0.7; // seconds a quarter
    const auto d = AgiDivisorOfNote;
    const int q = kQuarter;
    // Name, track, options, the records of each channel, notes cut.
    using Case =
        std::tuple<const char*, CMidiTrack, MidiImportOptions, std::array<Records, 4>, int>;
    const Case cases[] = {
        // Onsets at fractions of a tick; a span that rounds to nothing still sounds one tick.
        {"events land on the rounded tick of the tempo map",
         CMidiTrack()
             .Tempo(0, 600000)
             .Note(0, 0, 60, 100)
             .Tempo(380, 700000)
             .Note(0, 0, 62, kQuarter)
             .Note(7, 0, 64, 1)
             .End(),
         {},
         {Records{R(0, TickAt(100.0 / kQuarter * q1), 427),
                  R(TickAt(q1), TickAt(q1 + q2) - TickAt(q1), d(62)),
                  R(TickAt(q1 + q2 + 7.0 / kQuarter * q2), 1, d(64))}},
         0},
        {"a volume change inside a note applies from its tick",
         CMidiTrack()
             .On(0, 0, 60)
             .Control(q / 2, 0, 7, 64)
             .Control(q / 2, 0, 7, 64)
             .Off(q, 0, 60)
             .End(),
         {},
         {Records{R(0, 15, 427), R(15, 45, 427, 6)}},
         0},
        {"the same pitch twice is two records and a sustained bass keeps its voice",
         CMidiTrack()
             .On(0, 0, 48)
             .Note(0, 0, 72, q)
             .Note(0, 0, 72, q)
             .Note(0, 0, 76, q)
             .Off(0, 0, 48)
             .End(),
         {},
         {Records{R(0, 30, d(72)), R(30, 30, d(72)), R(60, 30, d(76))}, Records{R(0, 90, d(48))}},
         0},
        {"a mapped channel plays its highest note and the others are left out",
         CMidiTrack().On(0, 1, 60).Note(q, 1, 67, q).Off(q, 1, 60).Note(0, 2, 80, q).End(),
         MidiImportOptions::Mapped({0, 2, 0}, kDefaultDrumChannel),
         {Records{}, Records{R(0, 30, 427), R(30, 30, d(67)), R(60, 30, 427)}},
         1},
        // The highest on voice 0, the lowest and the next highest play; a note without a
        // note-off lasts until the file's last event.
        {"a note left out comes back as a new record when it is among the three again",
         CMidiTrack().On(0, 0, 64).Chord(0, 0, {72, 67, 48}, q).End(q),
         {},
         {Records{R(0, 30, d(72)), R(30, 30, d(64))}, Records{R(0, 30, d(67))},
          Records{R(0, 30, d(48))}},
         1},
        // The later of two equal lows gives way to a new high note while three others sound.
        {"ties go to the earlier start",
         CMidiTrack().On(0, 0, 50).On(10, 1, 50).On(0, 0, 60).On(q, 0, 70).End(q),
         {},
         {Records{R(0, 61, d(50))}, Records{R(1, 60, d(60))},
          Records{R(1, 30, d(50)), R(31, 30, d(70))}},
         1},
        {"the pedal holds released keys of its channel only, until it is up or struck again",
         CMidiTrack()
             .Control(0, 0, 64, 64)
             .On(0, 0, 60)
             .Note(0, 1, 72, q)
             .Off(0, 0, 60)
             .Note(q, 0, 60, q)
             .Control(q, 0, 64, 63)
             .End(),
         {},
         {Records{R(0, 30, d(72)), R(60, 60, 427)}, Records{R(0, 60, 427)}},
         0},
        // Kick: rate 2 for at most 6 ticks; snare: rate 1; hi-hat at rate 0 is cut short by the
        // cymbal one tick later, which lasts until its note-off, and the hi-hat comes back.
        {"drum keys, rates, lengths and the latest hit",
         CMidiTrack()
             .On(0, kDrums, 36)
             .On(kQuarter, kDrums, 38)
             .Off(kQuarter, kDrums, 36)
             .Off(0, kDrums, 38)
             .On(0, kDrums, 42)
             .Note(16, kDrums, 49, 16)
             .Off(kQuarter, kDrums, 42)
             .End(),
         {},
         {Records{}, Records{}, Records{},
          Records{R(0, 6, 6), R(30, 6, 5), R(60, 1, 4), R(61, 1, 4), R(62, 4, 4)}},
         0},
        {"no drum channel makes channel 10 a tone",
         CMidiTrack().Note(0, kDrums, 60, kQuarter).End(),
         MidiImportOptions::WithDrums(0),
         {Records{R(0, 30, 427)}},
         0},
    };
    for (const auto& [name, track, options, channels, cut] : cases)
    {
        SCOPED_TRACE(name);
        MidiImportCounts counts;
        const ImportedSong song = ImportAndCheckEngine(MidiFile({track}), options, &counts);
        EXPECT_EQ(song.channels, channels);
        EXPECT_EQ(counts.cutNotes, cut);
    }
}

TEST(MidiImportTime, NoteEndsByRestrikeVelocityZeroAndTheFilesLastEvent)
{
    CMidiTrack track;
    track.On(0, 0, 60).On(kQuarter, 0, 60).On(kQuarter, 0, 60, 0).On(0, 0, 67).End(2 * kQuarter);
    const ImportedSong song = ImportAndCheckEngine(MidiFile({track}));
    // 30 ticks a quarter at the default 120 BPM.
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    for (int v = 0; v < 3; ++v)
        for (const SongRecord& r : song.channels[v])
            spans.emplace_back(r.start, r.End());
    std::sort(spans.begin(), spans.end());
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected{{0, 30}, {30, 60}, {60, 120}};
    EXPECT_EQ(spans, expected);
    EXPECT_EQ(song.lengthTicks, 120);
}

TEST(MidiImportTime, RunningStatusReadsNoteForNote)
{
    // Most files leave out a status byte that repeats, notes off as velocity 0 included.
    CMidiTrack running, spelt;
    running.Event(0, {0x90, 60, 100}).Event(kQuarter, {60, 0}).Event(0, {64, 100});
    running.Event(0, {0x91, 48, 90}).Event(kQuarter, {48, 0}).Event(0, {0x90, 64, 0}).End();
    spelt.On(0, 0, 60, 100).On(kQuarter, 0, 60, 0).On(0, 0, 64, 100);
    spelt.On(0, 1, 48, 90).On(kQuarter, 1, 48, 0).On(0, 0, 64, 0).End();
    const ImportedSong song = ImportAndCheckEngine(MidiFile({running}));
    EXPECT_EQ(song.channels, ImportAndCheckEngine(MidiFile({spelt})).channels);
    EXPECT_EQ(song.channels[0].size() + song.channels[1].size() + song.channels[2].size(), 3u);
}

TEST(MidiImportTime, AgreesWithMidoOnATempoMapAcrossTracks)
{
    if (std::system("/usr/bin/python3 -c 'import mido' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-mido is not installed";
    const std::string dir = MakeTempDir();
    for (int seed : {1, 2, 3})
    {
        const std::string command =
            "/usr/bin/python3 " TARVOK_SOURCE_DIR "/tests/scripts/midi_import_times.py " + dir +
            "/song.mid " + std::to_string(seed) + " > " + dir + "/times.txt";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::istringstream times(ReadFileBytes(dir + "/times.txt"));
        const std::string file = ReadFileBytes(dir + "/song.mid");
        const ImportedSong song = ImportAndCheckEngine(Bytes(file.begin(), file.end()),
                                                       MidiImportOptions::Mapped({1, 2, 0}, 0));
        std::set<std::pair<int, std::int64_t>> expected, actual;
        int channel = 0, key = 0;
        double seconds = 0.0;
        int nearHalf = 0;
        while (times >> channel >> key >> seconds)
        {
            // mido's float clock cannot settle a time within a hair of half a tick.
            const double ticks = 60.0 * seconds;
            if (std::abs(ticks - std::floor(ticks) - 0.5) < 1e-6)
                ++nearHalf;
            else
                expected.emplace(channel, TickAt(seconds));
        }
        for (int voice = 0; voice < 2; ++voice)
            for (const SongRecord& record : song.channels[voice])
                actual.emplace(voice, record.start);
        ASSERT_GT(expected.size() + nearHalf, 500u);
        // Two notes of a channel that land on one tick sound as one record.
        for (const auto& note : expected)
            EXPECT_EQ(actual.count(note), 1u) << note.first << " " << note.second;
    }
}

// --- pitch ---

TEST(MidiImport, OneNoteIsOneRecordOfItsDivisorAndLoudness)
{
    const auto loud = [](int velocity, int volume, int expression)
    {
        return OneNote(60, CMidiTrack().Control(0, 0, 7, volume).Control(0, 0, 11, expression),
                       velocity);
    };
    // Name, track, divisor, attenuation, notes raised.
    const std::tuple<const char*, CMidiTrack, int, int, int> cases[] = {
        {"C-5", OneNote(60), 427, 0, 0},
        {"lowest in range", OneNote(45), 1016, 0, 0},
        {"raised one octave", OneNote(44), AgiDivisorOfNote(56), 0, 1},
        {"half of a 2-semitone range up", OneNote(60, CMidiTrack().Bend(0, 0, 4096)),
         Divisor(60, 1.0), 0, 0},
        {"half of a 12-semitone range down",
         OneNote(72, CMidiTrack().BendRange(0, 0, 12).Bend(0, 0, -4096)), Divisor(72, -6.0), 0, 0},
        {"bent below the lowest divisor", OneNote(46, CMidiTrack().Bend(0, 0, -8192)), 1023, 0, 0},
        {"all at full", loud(127, 127, 127), 427, 0, 0},
        {"velocity 100, volume 90, expression 80", loud(100, 90, 80), 427, 9, 0},
        {"velocity 1", loud(1, 127, 127), 427, 14, 0},
        {"volume 0", loud(127, 0, 127), 427, 15, 0},
    };
    for (const auto& [name, track, divisor, atten, raised] : cases)
    {
        SCOPED_TRACE(name);
        MidiImportCounts counts;
        const ImportedSong song = ImportAndCheckEngine(MidiFile({track}), {}, &counts);
        EXPECT_EQ(song.channels[0], (Records{R(0, 30, divisor, atten)}));
        EXPECT_EQ(counts.raisedNotes, raised);
    }
}

TEST(MidiImportPitch, UnbentNoteIsTheEditorsOwnNoteAndABentOneKeepsItsDivisor)
{
    CMidiTrack track;
    track.Note(0, 0, 60, kQuarter).Bend(0, 0, 2048).Note(0, 0, 60, kQuarter).End();
    CSoundDoc doc;
    ASSERT_TRUE(ImportMidi(MidiFile({track}), {}, doc).Ok());
    const PatternId id = doc.GetPlacement({0, 0});
    const std::int64_t rowTicks =
        AgiTicksPerRow(doc.GetProperties().tracksPerBeat, doc.GetProperties().beatsPerMinute);
    const SoundCell plain = doc.GetCells(id, 0, 1)[0];
    const SoundCell bent = doc.GetCells(id, static_cast<std::int32_t>(30 / rowTicks), 1)[0];
    EXPECT_EQ(plain.note, 60);
    EXPECT_FALSE(plain.HasDivisor());
    EXPECT_EQ(bent.divisor, Divisor(60, 0.5));
}

TEST(MidiImportPitch, BendInsideANoteStartsANewRecordThatSoundsAtTheBentPitch)
{
    CMidiTrack track;
    track.On(0, 0, 69).Bend(kQuarter, 0, 8191).Off(kQuarter, 0, 69).End();
    const ImportedSong song = ImportAndCheckEngine(MidiFile({track}));
    ASSERT_EQ(song.channels[0].size(), 2u);
    EXPECT_EQ(song.channels[0][1].start, 30);
    EXPECT_EQ(song.channels[0][1].setting, Divisor(69, 8191.0 / 8192.0 * 2.0));

    // Heard: the second half sounds near B, two semitones above A.
    CSoundDoc doc;
    ASSERT_TRUE(ImportMidi(MidiFile({track}), {}, doc).Ok());
    std::vector<std::int16_t> samples;
    std::lock_guard lock(doc.Guard());
    ASSERT_TRUE(RenderPlayRange(doc, samples, 44100 * 4));
    // Each half is one record; measure inside each.
    const std::size_t half = samples.size() / 2;
    ASSERT_GE(half, 12000u);
    const double first = CSpectrum(&samples[half / 2 - 4096], 8192).PeakHz(300, 600);
    const double second = CSpectrum(&samples[half + half / 2 - 4096], 8192).PeakHz(300, 600);
    EXPECT_NEAR(first, 111860.0 / 254, 2.0);
    EXPECT_NEAR(second, 111860.0 / Divisor(69, 8191.0 / 8192.0 * 2.0), 2.0);
}

// --- length ---

TEST(MidiImportTime, TheSongLastsUntilTheLastNoteOffAndMergedHitsAreCounted)
{
    const int q = kQuarter;
    // Name, track, the song's length, drum hits merged. 2.3 s is 4.6 quarters at 120 BPM.
    const std::tuple<const char*, CMidiTrack, int, int> cases[] = {
        {"a trailing drum note", CMidiTrack().Note(0, 0, 60, q).Note(0, kDrums, 36, 2 * q).End(),
         90, 0},
        {"two hits on one tick", CMidiTrack().Chord(0, kDrums, {36, 38}, q).End(), 30, 1},
        {"a closing chord the pedal holds for 2.3 s",
         CMidiTrack()
             .Control(0, 0, 64, 64)
             .Chord(q, 0, {48, 55, 60, 64}, q)
             .Control(1728, 0, 64, 0)
             .End(),
         168, 0},
    };
    for (const auto& [name, track, length, merged] : cases)
    {
        SCOPED_TRACE(name);
        MidiImportCounts counts;
        const ImportedSong song = ImportAndCheckEngine(MidiFile({track}), {}, &counts);
        EXPECT_EQ(song.lengthTicks, length);
        EXPECT_EQ(counts.mergedDrumHits, merged);
    }
}

// --- limits ---

TEST(MidiImportLimits, ASongTooLongForOneResourceIsSaidAndStillImports)
{
    CMidiTrack track;
    for (int i = 0; i < 7000; ++i)
        track.On(i == 0 ? 0 : 16, 0, 60 + i % 5).Off(16, 0, 60 + i % 5);
    track.End();
    CSoundDoc doc;
    const Result<MidiImportCounts> result = ImportMidi(MidiFile({track}), {}, doc);
    ASSERT_TRUE(result.Ok());
    EXPECT_TRUE(result.Value().tooLongForAgi);
    std::lock_guard lock(doc.Guard());
    EXPECT_FALSE(BuildAgiResource(doc, doc.GetPlayRange()).Ok());
}

// --- bad input ---

TEST(MidiImportBadInput, RefusedWithAMessageAndTheDocumentUntouched)
{
    const Bytes good = MidiFile({OneNote(60)});
    auto patched = [&](std::size_t pos, std::initializer_list<std::uint8_t> bytes)
    {
        Bytes out = good;
        std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(pos));
        return out;
    };
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}, "not a MIDI file"},
        {Bytes(good.begin(), good.begin() + 10), "truncated chunk"},
        {patched(9, {2}), "MIDI format 2 (independent sequences) is not supported"},
        {patched(12, {0xE7, 0x28}), "SMPTE time division is not supported"},
        {patched(12, {0, 0}), "division 0"},
        {Bytes(good.begin(), good.end() - 1) + Bytes{}, "track longer than the file"},
        {MidiFile({CMidiTrack().Tempo(0, 0).End()}), "tempo 0"},
        {MidiFile({CMidiTrack().Event(0, {0x40, 0x40}).End()}),
         "running status without a status byte"},
        {MidiFile({CMidiTrack().Event(0, {0x90, 60})}), "an event runs past the end of its track"},
        {good + Bytes{'M', 'T'}, "truncated chunk"},
    };
    for (const auto& [bytes, error] : cases)
    {
        CSoundDoc doc;
        ASSERT_TRUE(doc.OnNewDocument());
        const PatternId before = doc.GetPlacement({0, 0});
        EXPECT_EQ(ImportMidi(bytes, {}, doc).Error(), error);
        EXPECT_EQ(doc.GetPlacement({0, 0}), before);
        EXPECT_EQ(doc.GetPlayRange(), (PlayRange{0, 16}));
    }
}

// --- progress and cancel ---

namespace
{
using Importer = std::function<Status(CSoundDoc&, const CProgress&)>;

template <class T> Status AsStatus(const Result<T>& result)
{
    return result.Ok() ? Success() : Status(result.GetFailure());
}

// Long enough that every stage reports several times: crowded chords, a drum under each.
Importer LongMidiImport()
{
    CMidiTrack tones, drums;
    for (int i = 0; i < 6000; ++i)
    {
        tones.Chord(0, 0, {60 + i % 5, 64, 67, 71}, 60);
        drums.Note(i == 0 ? 0 : 30, kDrums, 36, 30);
    }
    const Bytes file = MidiFile({tones.End(), drums.End()});
    return [file](CSoundDoc& doc, const CProgress& progress)
    { return AsStatus(ImportMidi(file, {}, doc, progress)); };
}

Importer LongVgmImport()
{
    Bytes commands;
    for (int i = 0; i < 20000; ++i)
        for (const Bytes& part : {VgmTone(0, 100 + i % 50), VgmWait(735)})
            commands.insert(commands.end(), part.begin(), part.end());
    const Bytes file = VgmFile(commands, 735 * 20000);
    return [file](CSoundDoc& doc, const CProgress& progress)
    { return AsStatus(ImportVgm(file, doc, progress)); };
}
} // namespace

// A cancel stops every stage soon and leaves the document as it was, silently; one that comes
// while the document is built is too late and the build completes. A complete import's
// progress rises to its end.
TEST(ImportProgress, CancelLeavesTheDocumentAsItWasAndACompleteImportReachesTheEnd)
{
    const std::pair<Importer, std::vector<double>> importers[] = {
        // Where the cancel comes: the file's tracks, their merge, the notes, the voices, the
        // drums, the build; 2 never.
        {LongMidiImport(), {0.0, 0.15, 0.25, 0.4, 0.53, 0.8, 2.0}},
        {LongVgmImport(), {0.0, 0.3, 0.8, 2.0}},
    };
    for (const auto& [import, cancelPoints] : importers)
    {
        CSoundDoc whole;
        ASSERT_TRUE(whole.OnNewDocument() && import(whole, CProgress()).Ok());
        for (const double cancelAt : cancelPoints)
        {
            SCOPED_TRACE(cancelAt);
            CSoundDoc doc;
            ASSERT_TRUE(doc.OnNewDocument());
            const std::string before = doc.SaveToBytes();
            std::atomic<bool> bCancel{false};
            std::vector<double> reports;
            std::size_t nAfterCancel = 0;
            const CProgress progress(
                [&](double fraction)
                {
                    nAfterCancel += bCancel ? 1 : 0;
                    reports.push_back(fraction);
                    bCancel = bCancel || fraction >= cancelAt;
                },
                &bCancel);
            const Status imported = import(doc, progress);
            EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
            if (cancelAt < kSongBuildFrom)
            {
                EXPECT_TRUE(!imported.Ok() && imported.GetFailure().Silent());
                EXPECT_EQ(doc.SaveToBytes(), before);
                EXPECT_LE(nAfterCancel, 2u);
                EXPECT_LE(reports.back(), kSongBuildFrom);
                continue;
            }
            EXPECT_TRUE(imported.Ok());
            EXPECT_EQ(doc.SaveToBytes(), whole.SaveToBytes());
            EXPECT_GE(reports.size(), 12u);
            EXPECT_EQ(reports.back(), 1.0);
        }
    }
}
