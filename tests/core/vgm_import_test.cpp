// SPDX-License-Identifier: GPL-3.0-or-later
// VGM logs the tests write, imported, and what the engine then plays from the AGI export; the
// document built from imported records: its row grid, tempo, layout and AGI export.
#include "sound/AgiResource.h"
#include "sound/AgiTone.h"
#include "sound/ImportedSong.h"
#include "sound/SoundDoc.h"
#include "sound/VgmImport.h"
#include "support/ImportBytes.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
constexpr std::uint16_t kTick = 735;
using Records = std::vector<SongRecord>;

ImportedSong Read(const Bytes& file, std::size_t nWarnings = 0)
{
    std::vector<std::string> warnings;
    const Result<ImportedSong> song = ReadVgmSong(file, warnings);
    EXPECT_EQ(song.Error(), "");
    EXPECT_EQ(warnings.size(), nWarnings);
    return song.Ok() ? song.Value() : ImportedSong{};
}

ImportedSong ImportAndCheckEngine(const Bytes& file)
{
    const ImportedSong song = Read(file);
    CSoundDoc doc;
    const Result<VgmImportNotes> result = ImportVgm(file, doc);
    EXPECT_TRUE(result.Ok()) << result.Error();
    std::lock_guard lock(doc.Guard());
    const auto build = BuildAgiResource(doc, doc.GetPlayRange());
    EXPECT_TRUE(build.Ok());
    EXPECT_EQ(ResourceRecords(build.Value()), AudibleRecords(song));
    EXPECT_EQ(build.Value().size(), result.Value().agiBytes);
    const SoundProperties props = doc.GetProperties();
    EXPECT_EQ(doc.GetPlayRange().end * AgiTicksPerRow(props.tracksPerBeat, props.beatsPerMinute),
              song.lengthTicks);
    return song;
}
} // namespace

TEST(VgmImportTime, WritesLandOnTheFirstTickStartingAtOrAfterThem)
{
    // Tone at sample 0, louder one sample later (tick 1), a new pitch exactly at tick 2's
    // first sample, silence inside tick 3 (heard from tick 4).
    const Bytes commands = VgmTone(0, 254) + VgmAtten(0, 4) + VgmWait(1) + VgmAtten(0, 2) +
                           VgmWait(2 * kTick - 1) + VgmTone(0, 427) + VgmWait(kTick + 5) +
                           VgmAtten(0, 15);
    const ImportedSong song = ImportAndCheckEngine(VgmFile(commands, 10 * kTick + 1));
    const Records expected{{0, 1, 254, 4}, {1, 1, 254, 2}, {2, 2, 427, 2}, {4, 7, 427, 15}};
    EXPECT_EQ(song.channels[0], expected);
    EXPECT_EQ(song.lengthTicks, 11); // ceil of 10 ticks and a sample
}

TEST(VgmImportTime, EveryWaitCountsItsExactSamples)
{
    // A second, 60 ticks, of each kind of wait between notes: a note lands on the first tick at
    // or after its sample, so one a sample late lands a tick late, and any miscount shows.
    Bytes shortWaits; // 0x70-0x7F: 1 to 16 samples
    for (std::uint32_t left = 60 * kTick, n = 1; left > 0; n = n % 16 + 1)
    {
        shortWaits.push_back(static_cast<std::uint8_t>(0x70 + std::min(n, left) - 1));
        left -= std::min(n, left);
    }
    const std::pair<const char*, Bytes> seconds[] = {{"0x61", {0x61, 0x44, 0xAC}},
                                                     {"0x62", Bytes(60, 0x62)},
                                                     {"0x63", Bytes(50, 0x63)},
                                                     {"0x70-0x7F", shortWaits}};
    for (const auto& [name, second] : seconds)
    {
        const Bytes commands = VgmTone(0, 254) + VgmAtten(0, 0) + second + VgmTone(0, 427) +
                               Bytes{0x70} + second + VgmTone(0, 600);
        const ImportedSong song = ImportAndCheckEngine(VgmFile(commands, 181 * kTick));
        EXPECT_EQ(song.channels[0], (Records{{0, 60, 254, 0}, {60, 61, 427, 0}, {121, 60, 600, 0}}))
            << name;
    }
}

TEST(VgmImportTime, WritesInsideOneTickFoldIntoOneState)
{
    const Bytes commands = VgmTone(1, 300) + VgmAtten(1, 0) + VgmWait(100) + VgmTone(1, 200) +
                           VgmWait(100) + VgmTone(1, 500);
    const ImportedSong song = ImportAndCheckEngine(VgmFile(commands, 3 * kTick));
    const Records expected{{0, 1, 300, 0}, {1, 2, 500, 0}};
    EXPECT_EQ(song.channels[1], expected);
}

TEST(VgmImportPitch, DivisorsKeptAtThePcjrClockAndRescaledAtAnother)
{
    // Clock, divisor written, divisor heard.
    for (const auto& [clock, written, expected] : std::vector<std::tuple<std::uint32_t, int, int>>{
             {3579545, 0, 0},
             {4000000, 100, 89},   // 89.49
             {4000000, 0, 916},    // 0 counts as 1024
             {1000000, 500, 1023}, // below the range: the lowest
             {3579545 * 4, 2, 1}}) // above it: the highest
    {
        const ImportedSong song = Read(VgmFile(VgmTone(2, written) + VgmAtten(2, 0), kTick, clock));
        ASSERT_EQ(song.channels[2].size(), 1u);
        EXPECT_EQ(song.channels[2][0].setting, expected) << clock << " " << written;
    }
}

TEST(VgmImportNoise, EveryControlWriteIsANewNoteEvenWhenItRepeats)
{
    const Bytes noise{0x50, 0xE5}; // white, rate 1
    const Bytes commands = VgmAtten(3, 3) + noise + VgmWait(kTick) + noise + VgmWait(kTick) +
                           VgmWait(kTick) + Bytes{0x50, 0xE3} + VgmTone(2, 600) + VgmAtten(2, 15);
    const ImportedSong song = ImportAndCheckEngine(VgmFile(commands, 5 * kTick));
    const Records expected{{0, 1, 5, 3}, {1, 2, 5, 3}, {3, 2, 3, 3}};
    EXPECT_EQ(song.channels[3], expected);
    // Voice 2 is silent but its divisor still sets the noise of rate 3.
    const Records voice2{{3, 2, 600, 15}};
    EXPECT_EQ(song.channels[2], voice2);

    // Divisor 0 too (it sounds as 1024): left out, the voice would rest at another divisor.
    const ImportedSong zero = ImportAndCheckEngine(
        VgmFile(VgmTone(2, 0) + VgmAtten(2, 15) + VgmAtten(3, 0) + Bytes{0x50, 0xE7}, 2 * kTick));
    EXPECT_EQ(zero.channels[2], (Records{{0, 2, 0, 15}}));
}

TEST(VgmImportFile, GzipOtherChipsAndASecondChip)
{
    const Bytes plain = VgmFile(VgmTone(0, 427) + VgmAtten(0, 0) + Bytes{0x52, 0x28, 0x00} +
                                    Bytes{0x30, 0x9F} + Bytes{0xA0, 0x07, 0x38} + VgmWait(kTick),
                                kTick, 3579545 | 0x40000000);
    EXPECT_EQ(Read(Gzip(plain), 1).channels, (std::array<Records, 4>{Records{{0, 1, 427, 0}}}));
}

TEST(VgmImportBadInput, RefusedWithAMessageAndTheDocumentUntouched)
{
    Bytes oldVersion = VgmFile({}, kTick);
    oldVersion[8] = 0x72;
    Bytes cutShort = VgmFile(VgmWait(1), kTick);
    cutShort.resize(0x42);
    Bytes damagedGzip = Gzip(VgmFile(VgmTone(0, 1), kTick));
    damagedGzip.resize(damagedGzip.size() / 2);
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes{'M', 'T', 'h', 'd'}, "not a VGM file"},
        {VgmFile({}, kTick, 0), "no SN76489 in this VGM"},
        {oldVersion, "VGM version 1.72 is not supported"},
        {VgmFile(Bytes{0x20}, kTick), "VGM command 0x20 is not defined"},
        {cutShort, "VGM data ends inside a command"},
        {damagedGzip, "damaged gzip data"},
        // A gzip bomb is stopped at the cap, and said so, not taken for damaged data.
        {Gzip(Bytes((std::size_t{64} << 20) + 1)), "the gzip data expands past 64 MiB"},
    };
    for (const auto& [bytes, error] : cases)
    {
        CSoundDoc doc;
        ASSERT_TRUE(doc.OnNewDocument());
        EXPECT_EQ(ImportVgm(bytes, doc).Error(), error);
        EXPECT_EQ(doc.GetPlayRange(), (PlayRange{0, 16}));
        EXPECT_NE(doc.GetPlacement({0, 0}), 0u);
    }
}

TEST(ImportedSongLayout, RowsAreTheCoarsestGridThatKeepsEveryTickAndTheTempoGivesThem)
{
    // Voice 0's records, the song's length and the ticks of a row.
    const std::tuple<std::vector<SongRecord>, std::int64_t, std::int64_t> cases[] = {
        {{{0, 30, 427, 0}, {30, 60, 254, 0}}, 90, 30},
        {{{14, 7, 427, 0}}, 21, 7},
        {{{0, 31, 427, 0}}, 62, 31},
    };
    for (const auto& [records, length, rowTicks] : cases)
    {
        const ImportedSong song{{records}, length};
        EXPECT_EQ(ImportedRowTicks(song), rowTicks) << length;
        CSoundDoc doc;
        BuildImportedDocument(song, doc);
        const SoundProperties props = doc.GetProperties();
        EXPECT_EQ(AgiTicksPerRow(props.tracksPerBeat, props.beatsPerMinute), rowTicks);
        EXPECT_EQ(doc.GetPlayRange(), (PlayRange{0, static_cast<std::int32_t>(length / rowTicks)}));
        std::lock_guard lock(doc.Guard());
        EXPECT_EQ(ResourceRecords(BuildAgiResource(doc, doc.GetPlayRange()).Value()),
                  AudibleRecords(song));
    }
}

TEST(ImportedSongLayout, LongSilencesShareOnePatternAndEveryStepIsPlaced)
{
    // A note, five patterns of silence, a note.
    const ImportedSong song{{Records{{0, 1, 427, 0}, {64 * 6 + 1, 2, 254, 3}}}, 64 * 6 + 3};
    CSoundDoc doc;
    BuildImportedDocument(song, doc);
    const CSoundDoc::Placements placements = doc.GetPlacements(0);
    ASSERT_EQ(placements.size(), 7u);
    std::set<PatternId> distinct;
    for (const auto& [pos, id] : placements)
        distinct.insert(id);
    EXPECT_EQ(distinct.size(), 3u);
    EXPECT_TRUE(doc.GetPlacements(1).empty());
    std::lock_guard lock(doc.Guard());
    EXPECT_EQ(ResourceRecords(BuildAgiResource(doc, doc.GetPlayRange()).Value()), AudibleRecords(song));
}
