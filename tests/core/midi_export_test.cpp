// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>

namespace
{
// The events of each track, checked against the header and the tracks' length fields.
std::vector<std::string> Tracks(const std::string& file)
{
    EXPECT_EQ(Hex(file.substr(0, 14)), "4D 54 68 64 00 00 00 06 00 01 00 03 00 1C");
    std::vector<std::string> tracks;
    std::size_t pos = 14;
    while (pos + 8 <= file.size())
    {
        EXPECT_EQ(file.substr(pos, 4), "MTrk");
        std::size_t length = 0;
        for (int i = 4; i < 8; ++i)
            length = length << 8 | static_cast<unsigned char>(file[pos + i]);
        tracks.push_back(file.substr(pos + 8, length));
        pos += 8 + length;
    }
    EXPECT_EQ(pos, file.size());
    EXPECT_EQ(tracks.size(), 3u);
    return tracks;
}

std::string VarLen(std::int32_t value)
{
    std::string out;
    CSoundDoc::WriteVarLen(out, value);
    return Hex(out);
}
} // namespace

TEST(MidiExport, Tracks)
{
    auto oneRowPerTick = [](CSoundDoc& doc, std::int32_t rows)
    {
        doc.AssignProperties({140, doc.GetStepSize(), 24});
        doc.GetPatterns(0)[0]->SetRows(rows);
        doc.AssignPlayRange({doc.GetPlayRange().start, rows});
    };
    using Setup = std::function<void(CSoundDoc&, CSoundPattern&)>;
    const std::string end = "00 FF 2F 00";
    // The song, the voices' programs, the three tracks' events.
    const std::tuple<Setup, std::array<int, 3>, std::vector<std::string>> cases[] = {
        // A rest of 16 × 7 ticks.
        {[](CSoundDoc&, CSoundPattern&) {},
         {0, 0, 0},
         {"00 C0 00 00 90 00 40 70 80 00 40 " + end, "00 C1 00 " + end, "00 C2 00 " + end}},
        {[](CSoundDoc&, CSoundPattern& p) { p.SetCell(0, ToneCell(60, 0)); },
         {0, 40, 127},
         {"00 C0 00 00 90 3C 64 70 80 3C 40 " + end, "00 C1 28 " + end, "00 C2 7F " + end}},
        // An attenuation alone re-sounds the held note; a note alone keeps the attenuation;
        // 15 and off are rests.
        {[](CSoundDoc&, CSoundPattern& p)
         {
             p.SetCell(0, ToneCell(60, 0));
             p.SetCell(2, ToneCell(NOTE_EMPTY, 14));
             p.SetCell(4, ToneCell(69, ATTEN_EMPTY));
             p.SetCell(6, ToneCell(45, 15));
             p.SetCell(8, ToneCell(NOTE_OFF, 0));
             p.SetCell(10, ToneCell(117, 1));
         },
         {0, 0, 0},
         {"00 C0 00 00 90 3C 64 0E 80 3C 40 00 90 3C 10 0E 80 3C 40 00 90 45 10 0E 80 45 40 00 90 "
          "00 40 0E 80 "
          "00 40 00 90 00 40 0E 80 00 40 00 90 75 5E 2A 80 75 40 " +
              end,
          "00 C1 00 " + end, "00 C2 00 " + end}},
        // Voice1's pattern ends after one row; the noise channel is not exported; a program
        // byte never reads as a status byte.
        {[&](CSoundDoc& doc, CSoundPattern& p)
         {
             oneRowPerTick(doc, 200);
             p.SetCell(0, ToneCell(60, 0));
             Place(doc, 1, 0, 1)->SetCell(0, ToneCell(72, 2));
             Place(doc, 3, 0, 1)->SetCell(0, NoiseCell(1, NOISE_WHITE, 0));
         },
         {0, 0, 200},
         {"00 C0 00 00 90 3C 64 81 48 80 3C 40 " + end,
          "00 C1 00 00 91 48 58 01 81 48 40 00 91 00 40 81 47 81 00 40 " + end, "00 C2 48 " + end}},
        // Long durations are written whole; beyond one delta an empty text event carries
        // the first 0x0FFFFFFF ticks of 600 rows of 470400.
        {[&](CSoundDoc& doc, CSoundPattern& p)
         {
             oneRowPerTick(doc, 40000);
             p.SetCell(0, ToneCell(60, 0));
             Place(doc, 1, 0, 600)->SetCell(0, ToneCell(60, 0));
         },
         {0, 0, 0},
         {"00 C0 00 00 90 3C 64 82 B8 40 80 3C 40 " + end,
          "00 C1 00 00 91 3C 64 84 58 81 3C 40 00 91 00 40 82 B3 68 81 00 40 " + end,
          "00 C2 00 " + end}},
        {[&](CSoundDoc& doc, CSoundPattern& p)
         {
             doc.AssignProperties({1, doc.GetStepSize(), 1});
             p.SetRows(600);
             p.SetCell(0, ToneCell(60, 0));
             doc.AssignPlayRange({doc.GetPlayRange().start, 600});
         },
         {0, 0, 0},
         {"00 C0 00 00 90 3C 64 FF FF FF 7F FF 01 00 " + VarLen(600 * 470400 - 0x0FFFFFFF) +
              " 80 3C 40 " + end,
          "00 C1 00 " + end, "00 C2 00 " + end}},
    };
    for (const auto& [setup, programs, expected] : cases)
    {
        NewDoc d;
        setup(d.doc, *d.doc.GetPatterns(0)[0]);
        std::vector<std::string> tracks;
        for (const std::string& track : Tracks(d.doc.BuildMIDIFile(programs)))
            tracks.push_back(Hex(track));
        EXPECT_EQ(tracks, expected);
    }
}
