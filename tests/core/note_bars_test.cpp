// SPDX-License-Identifier: GPL-3.0-or-later
// What a channel plays, as bars: where each note starts and what stops it, as the channel walk
// and the exports play the cells.
#include "sound/AgiTone.h"
#include "sound/NoteBars.h"
#include "sound/SoundDoc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

namespace
{
struct Cell
{
    int row;
    std::uint8_t note; // the rate on the noise channel
    std::uint8_t atten = ATTEN_EMPTY;
    std::uint16_t divisor = kNoDivisor;
};

struct Placed
{
    std::int32_t at;
    std::int32_t rows;
    std::vector<Cell> cells;
};

struct Expected
{
    std::int32_t start, end;
    std::uint8_t note, atten;
    BarStop stop;
};

struct Case
{
    const char* what;
    int channel;
    std::vector<Placed> placements;
    PlayRange range;
    std::int32_t cut;
    std::vector<Expected> bars;
};

ChannelBars Walk(const Case& c)
{
    CSoundDoc doc;
    doc.OnNewDocument();
    doc.SetPlacements(0, {});
    for (const Placed& placed : c.placements)
    {
        CSoundPattern* pPattern = doc.CreatePattern(c.channel, placed.rows);
        for (const Cell& cell : placed.cells)
        {
            SoundCell sound = SoundCell::Empty();
            if (c.channel == kNoiseChannel)
            {
                sound.freq = cell.note;
                sound.noiseType = cell.note <= 3 ? NOISE_WHITE : NOISE_PERIODIC;
            }
            else
            {
                sound.note = cell.note;
                sound.divisor = cell.divisor;
            }
            sound.atten = cell.atten;
            pPattern->SetCell(cell.row, sound);
        }
        doc.PlacePattern(c.channel, placed.at, pPattern);
    }
    return BuildChannelBars(doc, c.channel, c.range, c.cut);
}

constexpr std::uint8_t C5 = 60, D5 = 62, E5 = 64;

TEST(NoteBars, EachNoteRunsUntilWhatStopsItPlaying)
{
    const Case cases[] = {
        {"an off stops a note; empty rows carry it",
         0,
         {{0, 16, {{0, C5, 2}, {5, NOTE_OFF}}}},
         {0, 100},
         INT32_MAX,
         {{0, 5, C5, 2, BarStop::Off}}},
        {"the next note stops the one before",
         1,
         {{0, 16, {{0, C5, 2}, {3, D5}, {9, E5, 7}}}},
         {0, 100},
         INT32_MAX,
         {{0, 3, C5, 2, BarStop::NextNote},
          {3, 9, D5, 2, BarStop::NextNote},
          {9, 16, E5, 7, BarStop::PatternEnd}}},
        {"a pattern that runs out stops its note, and the silence after it is no bar",
         0,
         {{0, 4, {{1, C5}}}, {16, 4, {{0, D5, 5}}}},
         {0, 100},
         INT32_MAX,
         {{1, 4, C5, 0, BarStop::PatternEnd}, {16, 20, D5, 5, BarStop::PatternEnd}}},
        {"a placement that follows at once carries the note through its empty first row",
         0,
         {{0, 8, {{2, C5}}}, {8, 8, {{4, D5}}}},
         {0, 100},
         INT32_MAX,
         {{2, 12, C5, 0, BarStop::NextNote}, {12, 16, D5, 0, BarStop::PatternEnd}}},
        {"a placement cuts the pattern playing before it short",
         2,
         {{0, 32, {{0, C5}}}, {10, 8, {{0, NOTE_OFF}, {2, E5}}}},
         {0, 100},
         INT32_MAX,
         {{0, 10, C5, 0, BarStop::Off}, {12, 18, E5, 0, BarStop::PatternEnd}}},
        {"the range's end stops a note, and a note on its last row is not heard",
         0,
         {{0, 32, {{0, C5}, {6, D5}}}},
         {0, 6},
         INT32_MAX,
         {{0, 6, C5, 0, BarStop::RangeEnd}}},
        {"nothing plays from a range start inside a placement",
         0,
         {{0, 32, {{0, C5}, {6, D5}}}},
         {4, 20},
         INT32_MAX,
         {}},
        {"the cut stops the note sounding there; later notes start as before",
         0,
         {{0, 32, {{0, C5}, {8, D5}}}},
         {0, 100},
         5,
         {{0, 5, C5, 0, BarStop::RangeEnd}, {8, 32, D5, 0, BarStop::PatternEnd}}},
        {"noise: a rate starts a hit, off stops it, the attenuation carries",
         kNoiseChannel,
         {{0, 16, {{0, 2, 4}, {3, FREQ_OFF}, {6, 1}}}},
         {0, 100},
         INT32_MAX,
         {{0, 3, 2, 4, BarStop::Off}, {6, 16, 1, 4, BarStop::PatternEnd}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const ChannelBars bars = Walk(c);
        ASSERT_EQ(bars.bars.size(), c.bars.size());
        for (std::size_t i = 0; i < c.bars.size(); ++i)
        {
            const NoteBar& bar = bars.bars[i];
            const Expected& want = c.bars[i];
            EXPECT_EQ(bar.start, want.start) << i;
            EXPECT_EQ(bar.end, want.end) << i;
            EXPECT_EQ(bar.note, want.note) << i;
            EXPECT_EQ(bar.atten, want.atten) << i;
            EXPECT_EQ(bar.stop, want.stop) << i;
        }
    }
}

TEST(NoteBars, CellThatStartsABarAndWhereItsPatternStopsPlaying)
{
    const ChannelBars bars =
        Walk({"", 0, {{16, 32, {{5, C5}}}, {40, 4, {{0, D5}}}}, {0, 100}, INT32_MAX, {}});
    ASSERT_EQ(bars.bars.size(), 2u);
    EXPECT_EQ(bars.bars[0].placedAt, 16);
    EXPECT_EQ(bars.bars[0].row, 5);
    EXPECT_EQ(bars.bars[0].patternEnd, 40); // cut by the next placement, not its 32 rows
    EXPECT_EQ(bars.bars[1].patternEnd, 44);
    EXPECT_NE(bars.bars[0].pattern, bars.bars[1].pattern);
}

// A game's pitch between two semitones stands at its own height, not at its note's.
TEST(NoteBars, ExactDivisorAtItsPitch)
{
    const ChannelBars bars =
        Walk({"", 0, {{0, 8, {{0, 66, ATTEN_EMPTY, 288}, {4, 66}}}}, {0, 100}, INT32_MAX, {}});
    ASSERT_EQ(bars.bars.size(), 2u);
    EXPECT_EQ(bars.bars[0].divisor, 288);
    // "Divisor 288: F#5 +84 cents": 0.84 of a semitone above the note.
    EXPECT_NEAR(bars.bars[0].pitch, 66.84, 0.01);
    EXPECT_EQ(AgiDivisorText(288, 66), "Divisor 288: F#5 +84 cents");
    EXPECT_EQ(bars.bars[1].divisor, kNoDivisor);
    EXPECT_EQ(bars.bars[1].pitch, 66.0);
}

// The view finds what is in view by a search; the attenuation in force at any row.
TEST(NoteBars, LookupsByPosition)
{
    const ChannelBars bars =
        Walk({"",
              0,
              {{0, 64, {{0, C5, 3}, {10, NOTE_OFF, 9}, {20, D5}, {30, E5, 1}}}},
              {0, 100},
              INT32_MAX,
              {}});
    ASSERT_EQ(bars.bars.size(), 3u);
    using Span = std::pair<std::size_t, std::size_t>;
    EXPECT_EQ(bars.Overlapping(0, 1), Span(0, 1));
    EXPECT_EQ(bars.Overlapping(10, 20), Span(1, 1)); // between two bars
    EXPECT_EQ(bars.Overlapping(9, 21), Span(0, 2));
    EXPECT_EQ(bars.Overlapping(63, 200), Span(2, 3));
    EXPECT_EQ(bars.At(10), nullptr);
    EXPECT_EQ(bars.At(25)->note, D5);
    EXPECT_EQ(bars.AttenuationAt(9), 3);
    EXPECT_EQ(bars.AttenuationAt(25), 9);
    EXPECT_EQ(bars.bars[1].atten, 9);
    EXPECT_EQ(bars.AttenuationAt(30), 1);
}
} // namespace
