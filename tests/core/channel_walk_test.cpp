#include "sound/ChannelWalk.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
using Kind = CChannelWalk::Kind;

std::vector<CChannelWalk::Step> WalkAll(CChannelWalk walk)
{
    std::vector<CChannelWalk::Step> steps;
    CChannelWalk::Step step;
    while (walk.Next(step))
        steps.push_back(step);
    return steps;
}

CSoundPattern* Pattern(CSoundDoc& doc, int channel, std::int32_t rows, std::uint8_t firstNote)
{
    CSoundPattern* p = doc.CreatePattern(channel, rows);
    for (std::int32_t r = 0; r < rows; ++r)
        p->SetCell(r, {static_cast<std::uint8_t>(firstNote + r), 255, 0, 255});
    return p;
}
} // namespace

TEST(ChannelWalk, PatternEndsWithOneOffThenNothingUntilTheNextPlacement)
{
    CSoundDoc doc;
    CSoundPattern* a = Pattern(doc, 1, 4, 40);
    CSoundPattern* b = Pattern(doc, 1, 2, 70);
    doc.m_sequence[1] = {{0, a}, {16, b}};
    doc.m_nRangeStart = 0;
    doc.m_nRangeEnd = 17;

    const auto steps = WalkAll(CChannelWalk(doc, 1));
    ASSERT_EQ(steps.size(), 18u);
    for (int r = 0; r < 4; ++r)
    {
        EXPECT_EQ(steps[r].kind, Kind::PatternRow);
        EXPECT_EQ(steps[r].pPattern, a);
        EXPECT_EQ(steps[r].row, r);
        EXPECT_EQ(steps[r].cell.note, 40 + r);
    }
    EXPECT_EQ(steps[4].kind, Kind::PatternEnded);
    for (int r = 5; r < 16; ++r)
        EXPECT_EQ(steps[r].kind, Kind::NoPattern) << r;
    EXPECT_EQ(steps[16].kind, Kind::PatternRow);
    EXPECT_EQ(steps[17].cell.note, 71);
    for (int r = 0; r < 18; ++r)
        EXPECT_EQ(steps[r].pos, r);
}

TEST(ChannelWalk, PlacementCutsOffAndOnlyPlacementsStartPatterns)
{
    CSoundDoc doc;
    CSoundPattern* a = Pattern(doc, 0, 8, 10);
    CSoundPattern* b = Pattern(doc, 0, 8, 50);
    CSoundPattern* empty = doc.CreatePattern(0, 0);
    doc.m_sequence[0] = {{0, a}, {3, b}, {20, empty}};

    // Starting inside a placed pattern plays nothing until the next placement.
    auto steps = WalkAll(CChannelWalk(doc, 0, 1, 4));
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].kind, Kind::NoPattern);
    EXPECT_EQ(steps[1].kind, Kind::NoPattern);
    EXPECT_EQ(steps[2].pPattern, b);
    EXPECT_EQ(steps[2].row, 0);
    EXPECT_EQ(steps[3].cell.note, 51);

    // A pattern of no rows ends where it is placed.
    steps = WalkAll(CChannelWalk(doc, 0, 20, 21));
    EXPECT_EQ(steps[0].kind, Kind::PatternEnded);
    EXPECT_EQ(steps[1].kind, Kind::NoPattern);

    // A start beyond the end visits nothing; so does a channel that does not exist.
    EXPECT_TRUE(WalkAll(CChannelWalk(doc, 0, 5, 4)).empty());
    const auto none = WalkAll(CChannelWalk(doc, 7, 0, 2));
    ASSERT_EQ(none.size(), 3u);
    EXPECT_EQ(none[0].kind, Kind::NoPattern);
}

TEST(ChannelWalk, RangeAtTheEndOfTheSongPositionsTerminates)
{
    CSoundDoc doc;
    CSoundPattern* a = Pattern(doc, 2, 4, 0);
    doc.m_sequence[2] = {{INT_MAX - 1, a}};
    const auto steps = WalkAll(CChannelWalk(doc, 2, INT_MAX - 2, INT_MAX));
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[2].pos, INT_MAX);
    EXPECT_EQ(steps[2].row, 1);
}

TEST(ChannelWalk, AtKeepsStateAcrossAWrap)
{
    CSoundDoc doc;
    CSoundPattern* a = Pattern(doc, 0, 2, 30);
    doc.m_sequence[0] = {{4, a}};
    CChannelWalk walk(doc, 0, 0, 0);
    EXPECT_EQ(walk.At(4).kind, Kind::PatternRow);
    // Back before the pattern's start: a negative offset counts as ended.
    EXPECT_EQ(walk.At(0).kind, Kind::PatternEnded);
    EXPECT_EQ(walk.At(4).row, 0);
    EXPECT_EQ(walk.At(5).row, 1);
    walk.Reset();
    EXPECT_EQ(walk.At(5).kind, Kind::NoPattern);
}

TEST(ChannelWalk, MergeIntoReplacesOnlyWhatTheStepDecides)
{
    SoundCell working{12, 2, 1, 7};
    CChannelWalk::Step step;
    step.kind = Kind::NoPattern;
    step.MergeInto(working);
    EXPECT_EQ(working, (SoundCell{255, 255, 1, 7}));
    step.kind = Kind::PatternEnded;
    step.MergeInto(working);
    EXPECT_EQ(working, (SoundCell{118, 240, 1, 7}));
    step.kind = Kind::PatternRow;
    step.cell = {255, 255, 0, 255};
    step.MergeInto(working);
    EXPECT_EQ(working, SoundCell::Empty());
}
