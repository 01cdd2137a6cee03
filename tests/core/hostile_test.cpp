// SPDX-License-Identifier: GPL-3.0-or-later
// Documents at the limits: positions at the top of the integer range, play ranges far
// larger than their content, exports too large to write, and transport requests in a hurry.
#include "framework/AtomicFile.h"
#include "playback/OfflineRenderer.h"
#include "playback/SoundPlayThread.h"
#include "sound/AgiFile.h"
#include "sound/MidiExport.h"
#include "support/TestSupport.h"
#include "support/VirtualPlayer.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

namespace
{
using Samples = std::vector<std::int16_t>;
constexpr unsigned kRow = CVirtualPlayer::kRow;

// A 16-row song at pos: a melody on voice 0 and a chord note on voice 1 that starts later.
void PlaceSong(CSoundDoc& doc, std::int32_t pos)
{
    doc.AssignProperties({120, doc.GetStepSize(), doc.GetTracksPerBeat()});
    CSoundPattern* pMelody = doc.PlacePattern(0, pos, doc.CreatePattern(0, 16));
    for (int row = 0; row < 16; row += 2)
        pMelody->SetCell(row, {static_cast<std::uint8_t>(50 + row), 255, 0, 2});
    doc.PlacePattern(1, pos + 4, doc.CreatePattern(1, 8))->SetCell(0, {45, 255, 0, 6});
    doc.AssignPlayRange({pos, pos + 15});
}
} // namespace

TEST(TopOfRange, RendersAndPlaysAsTheSameSongAtZero)
{
    CSoundDoc atZero, atTop;
    PlaceSong(atZero, 0);
    PlaceSong(atTop, INT_MAX - 15);

    Samples zero, top;
    ASSERT_TRUE(RenderPlayRange(atZero, zero, 1u << 28));
    ASSERT_TRUE(RenderPlayRange(atTop, top, 1u << 28));
    EXPECT_EQ(zero.size(), 16u * kRow);
    EXPECT_NE(zero, Samples(zero.size(), 0));
    EXPECT_TRUE(zero == top);

    // Two and a half passes: the play thread and the reports wrap at the integer limit.
    Samples heard[2];
    CSoundDoc* docs[2] = {&atZero, &atTop};
    for (int i = 0; i < 2; ++i)
    {
        CVirtualPlayer player;
        const std::int32_t start = docs[i]->GetPlayRange().start;
        player.Play(*docs[i], start);
        player.AdvanceRows(40);
        heard[i] = player.m_pDevice->TakeOutput();
        EXPECT_EQ(player.ShownRow() - start, 40 % 16);
        player.m_thread.PostStop();
        EXPECT_EQ(player.m_thread.TakeLastStop().row - start, 40 % 16);
    }
    EXPECT_EQ(heard[0].size(), 40 * kRow);
    EXPECT_TRUE(heard[0] == heard[1]);
    EXPECT_TRUE(Samples(heard[0].begin(), heard[0].begin() + 16 * kRow) == zero);
}

TEST(HugeRange, MidiExportedQuicklyWavAndAgiRefused)
{
    CSoundDoc doc;
    PlaceSong(doc, 0);
    doc.AssignPlayRange({doc.GetPlayRange().start, 2000000000});

    const std::string midi = doc.BuildMIDIFile({0, 0, 0});
    EXPECT_TRUE(midi.size() > 14 && midi.size() < 1000);

    // A .wav file holds at most 4 GiB.
    Samples samples;
    EXPECT_FALSE(RenderPlayRange(doc, samples, 0xFFFFFFFFu / 2));
    EXPECT_TRUE(samples.empty());

    EXPECT_EQ(BuildAgiBytes(doc).Error(),
              "Error: Sound too long for an AGI resource! ( more than 65535 bytes )");
}

TEST(HugeMidi, RefusedBeforeWriting)
{
    // Three voices of 48 x 65536 rows with a new note on every row: past 64 MiB.
    CSoundDoc doc;
    for (int voice = 0; voice < 3; ++voice)
    {
        CSoundPattern* p = doc.CreatePattern(voice, CSoundPattern::kMaxRows);
        for (int row = 0; row < CSoundPattern::kMaxRows; ++row)
            p->SetCell(row, {static_cast<std::uint8_t>(40 + row % 2), 255, 0, 0});
        for (std::int32_t pos = 0; pos < 48 * CSoundPattern::kMaxRows; pos += p->GetRows())
            doc.PlacePattern(voice, pos, p);
    }
    doc.AssignPlayRange({doc.GetPlayRange().start, 48 * CSoundPattern::kMaxRows});
    EXPECT_TRUE(doc.BuildMIDIFile({0, 0, 0}).empty());

    const std::string path = MakeTempDir() + "/big.mid";
    const Status written = WriteAtomically(path,
                                           [&doc](CFile& out) {
                                               return ExportMidi(doc, {0, 0, 0}, out);
                                           });
    EXPECT_EQ(written.Error(), CSoundDoc::kMidiTooLargeText);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(StopThenPlay, StartsAtTheRangeStartEveryTime)
{
    CSoundDoc doc;
    PlaceSong(doc, 0);
    CVirtualPlayer player;
    for (int round = 0; round < 20; ++round)
    {
        player.Play(doc);
        player.AdvanceRows(3);
        // As the editor does: stop, then play from the range start, with no wait of its own
        // in between.
        player.m_thread.PostStop();
        player.Play(doc, doc.GetPlayRange().start);
        player.m_pDevice->TakeOutput();
        ASSERT_EQ(player.AdvanceRows(1), 1) << "round " << round;
        ASSERT_EQ(player.ShownRow(), doc.GetPlayRange().start + 1) << "round " << round;
        player.m_thread.PostStop();
    }
}
