// SPDX-License-Identifier: GPL-3.0-or-later
// The document built from imported records: its row grid, tempo, layout and AGI export.
#include "sound/AgiResource.h"
#include "sound/AgiTone.h"
#include "sound/ImportedSong.h"
#include "sound/SoundDoc.h"
#include "support/ImportBytes.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
ImportedSong Song(std::vector<SongRecord> voice0, std::int64_t length)
{
    ImportedSong song;
    song.channels[0] = std::move(voice0);
    song.lengthTicks = length;
    return song;
}

std::int64_t DocRowTicks(const CSoundDoc& doc)
{
    const SoundProperties props = doc.GetProperties();
    return AgiTicksPerRow(props.tracksPerBeat, props.beatsPerMinute);
}
} // namespace

TEST(ImportedSongLayout, RowsAreTheCoarsestGridThatKeepsEveryTickAndTheTempoGivesThem)
{
    struct Case
    {
        std::vector<SongRecord> records;
        std::int64_t length;
        std::int64_t rowTicks;
    };
    const std::vector<Case> cases{
        {{{0, 30, 427, 0}, {30, 60, 254, 0}}, 90, 30},
        {{{12, 6, 427, 0}}, 24, 6},
        {{{14, 7, 427, 0}}, 21, 7},
        {{{0, 1, 427, 0}}, 1, 1},
        {{{0, 31, 427, 0}}, 62, 31},
    };
    for (const Case& c : cases)
    {
        const ImportedSong song = Song(c.records, c.length);
        EXPECT_EQ(ImportedRowTicks(song), c.rowTicks) << c.length;
        CSoundDoc doc;
        BuildImportedDocument(song, doc);
        EXPECT_EQ(DocRowTicks(doc), c.rowTicks);
        EXPECT_EQ(doc.GetPlayRange(),
                  (PlayRange{0, static_cast<std::int32_t>(c.length / c.rowTicks)}));
        std::lock_guard lock(doc.Guard());
        const AgiResourceBuild build = BuildAgiResource(doc);
        EXPECT_EQ(ResourceRecords(build.bytes), AudibleRecords(song));
    }
}

TEST(ImportedSongLayout, LongSilencesShareOnePatternAndEveryStepIsPlaced)
{
    // A note, five patterns of silence, a note.
    const ImportedSong song = Song({{0, 1, 427, 0}, {64 * 6 + 1, 2, 254, 3}}, 64 * 6 + 3);
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
    EXPECT_EQ(ResourceRecords(BuildAgiResource(doc).bytes), AudibleRecords(song));
}

TEST(ImportedSongLayout, ARecordLongerThanOneDurationIsSplitAndTheSizeIsForeseen)
{
    ImportedSong song = Song({{1, 70000, 300, 2}}, 70001);
    song.channels[3] = {{5, 3, 4, 0}};
    CSoundDoc doc;
    BuildImportedDocument(song, doc);
    std::lock_guard lock(doc.Guard());
    const AgiResourceBuild build = BuildAgiResource(doc);
    ASSERT_TRUE(build.Ok());
    EXPECT_EQ(build.bytes.size(), ImportedAgiBytes(song));
    const auto records = ResourceRecords(build.bytes);
    ASSERT_EQ(records[0].size(), 2u);
    EXPECT_EQ(records[0][0].start, 1);
    EXPECT_EQ(records[0][1].End(), 70001);
    EXPECT_EQ(records[3], song.channels[3]);
}
