// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ChannelWalk.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
using Kind = CChannelWalk::Kind;

// One word per position: the note of a pattern row, "end" for the ended step, "-" for none.
std::string Text(const CChannelWalk::Step& step)
{
    return step.kind == Kind::PatternRow     ? std::to_string(step.cell.note)
           : step.kind == Kind::PatternEnded ? "end"
                                             : "-";
}

std::string WalkAll(CChannelWalk walk, std::int32_t first)
{
    std::string out;
    CChannelWalk::Step step;
    for (std::int64_t pos = first; walk.Next(step); ++pos)
        out += (out.empty() ? "" : " ") + Text(step) + (step.pos == pos ? "" : "@wrong pos");
    return out;
}

// A pattern of rows notes firstNote, firstNote + 1, ... placed at pos.
CSoundPattern* Place(CSoundDoc& doc, int channel, std::int32_t pos, std::int32_t rows,
                     int firstNote)
{
    CSoundPattern* p = doc.CreatePattern(channel, rows);
    for (std::int32_t r = 0; r < rows; ++r)
        p->SetCell(r, {static_cast<std::uint8_t>(firstNote + r), 255, 0, 255});
    doc.m_sequence[channel][pos] = p;
    return p;
}
} // namespace

TEST(ChannelWalk, PatternsPlayFromTheirPlacementAndEndWithOneOffRow)
{
    CSoundDoc doc;
    Place(doc, 1, 0, 4, 40);
    Place(doc, 1, 16, 2, 70);
    doc.m_nRangeEnd = 17;
    EXPECT_EQ(WalkAll(CChannelWalk(doc, 1), 0), "40 41 42 43 end - - - - - - - - - - - 70 71");

    // A placement cuts off what plays; starting inside a placed pattern plays nothing until
    // the next placement; a pattern of no rows ends where it is placed.
    Place(doc, 0, 0, 8, 10);
    Place(doc, 0, 3, 8, 50);
    Place(doc, 0, 20, 0, 0);
    EXPECT_EQ(WalkAll(CChannelWalk(doc, 0, 0, 4), 0), "10 11 12 50 51");
    EXPECT_EQ(WalkAll(CChannelWalk(doc, 0, 1, 4), 1), "- - 50 51");
    EXPECT_EQ(WalkAll(CChannelWalk(doc, 0, 20, 21), 20), "end -");
    // A start beyond the end visits nothing; a channel that does not exist plays nothing.
    EXPECT_EQ(WalkAll(CChannelWalk(doc, 0, 5, 4), 5), "");
    EXPECT_EQ(WalkAll(CChannelWalk(doc, 7, 0, 2), 0), "- - -");
    // A range at the end of the song positions terminates.
    Place(doc, 2, INT_MAX - 1, 4, 0);
    EXPECT_EQ(WalkAll(CChannelWalk(doc, 2, INT_MAX - 2, INT_MAX), INT_MAX - 2), "- 0 1");
}
