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
} // namespace

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
        const ImportedSong song = Song(records, length);
        EXPECT_EQ(ImportedRowTicks(song), rowTicks) << length;
        CSoundDoc doc;
        BuildImportedDocument(song, doc);
        const SoundProperties props = doc.GetProperties();
        EXPECT_EQ(AgiTicksPerRow(props.tracksPerBeat, props.beatsPerMinute), rowTicks);
        EXPECT_EQ(doc.GetPlayRange(), (PlayRange{0, static_cast<std::int32_t>(length / rowTicks)}));
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
