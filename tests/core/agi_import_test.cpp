// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace
{
Status Parse(CSoundDoc& doc, const std::string& bytes)
{
    return ImportBytes(doc, bytes);
}

// The channel's cells and where its last pattern ends.
std::string Imported(const CSoundDoc& doc, int channel)
{
    const auto last = doc.GetSequence(channel).rbegin();
    if (last == doc.GetSequence(channel).rend())
        return "";
    return Played(doc, channel) + " end " + std::to_string(last->first + last->second->GetRows());
}

// The import's layout: on every channel patterns "000", "001", ... of 32 rows (the last up
// to the channel's end) placed at 0, 32, 64, ...; 24 rows a beat at 140 beats a minute; a
// step of 32; the range from 0 to the whole song's end.
void ExpectImportLayout(const CSoundDoc& doc)
{
    for (int c = 0; c < kChannelCount; ++c)
    {
        ASSERT_EQ(doc.GetSequence(c).size(), doc.GetPatterns(c).size());
        std::int32_t i = 0;
        char name[16];
        for (const auto& [pos, p] : doc.GetSequence(c))
        {
            std::snprintf(name, sizeof name, "%03d", i);
            const bool bLast = i + 1 == static_cast<std::int32_t>(doc.GetPatterns(c).size());
            EXPECT_TRUE(pos == 32 * i && p == doc.GetPatterns(c)[i].get() &&
                        (p->GetRows() == 32 || (bLast && p->GetRows() > 0 && p->GetRows() < 32)) &&
                        p->GetName() == name)
                << "channel " << c << " pattern " << i;
            ++i;
        }
    }
    EXPECT_EQ(std::to_string(doc.GetTracksPerBeat()) + " " +
                  std::to_string(doc.GetBeatsPerMinute()) + " " +
                  std::to_string(doc.GetStepSize()) + " " +
                  std::to_string(doc.GetPlayRange().start),
              "24 140 32 0");
    EXPECT_EQ(doc.GetWholeSongEnd(), doc.GetPlayRange().end);
}
} // namespace

TEST(AgiImport, RecordsBecomeOneRowPerTick)
{
    struct Case
    {
        std::array<std::string, 4> records;
        std::array<const char*, 4> played;
        std::int32_t rangeEnd;
    };
    const Case cases[] = {
        {{}, {"", "", "", ""}, 0}, // the 8-byte empty resource
        {{Tone(0, 10, 427, 2)}, {"0:60/2 end 10", "", "", ""}, 10},
        // A channel's last pattern ends with it.
        {{Tone(0, 31, 427, 0), Tone(1, 32, 254, 0)},
         {"0:60/0 end 31", "0:69/0 end 32", "", ""},
         32},
        // The lowest note's divisor is 1023, not exact; 400 lies between notes.
        {{Tone(0, 100, 254, 7) + Tone(0, 3, 1016, 0) + Tone(0, 2, 400, 1) + Tone(0, 1, 1023, 0)},
         {"0:69/7 100:45/0 103:61@400/1 105:44/0 end 106", "", "", ""},
         106},
        // Divisors up to 15 sound when audible (0 as 1024), and a rest keeps one other than
        // 15; a control byte of 0 keeps the pitch, even of a record without time, which the
        // next record replaces.
        {{Record(5, 0, 0x80, 0x92) + Tone(0, 0, 254, 3) + Record(7, 0x1A, 0, 0x90) +
          Tone(0, 4, 427, 1) + Tone(0, 2, 15, 4) + Tone(0, 3, 5, 15) + Record(1, 0, 0, 0x9F)},
         {"0:44@0/2 5:69/0 12:60/1 16:117/4 18:off@5/- 21:off@5/- end 22", "", "", ""},
         22},
        // Only frequency, type and attenuation bits are read.
        {{"", "", "", Noise(3, 2, true, 4) + Record(2, 0x3F, 0xE1, 0xFF) + Noise(1, 3, false, 0)},
         {"", "", "", "0:2w/4 3:1p/15 5:3p/0 end 6"},
         6},
    };
    for (const Case& c : cases)
    {
        NewDoc d;
        ASSERT_TRUE(Parse(d.doc, Resource(c.records)));
        ExpectImportLayout(d.doc);
        for (int ch = 0; ch < kChannelCount; ++ch)
            EXPECT_EQ(Imported(d.doc, ch), c.played[ch]) << c.played[0];
        EXPECT_EQ(d.doc.GetPlayRange().end, c.rangeEnd);
        EXPECT_TRUE(d.doc.IsModified());
    }
    // The pattern made for the row after a boundary is dropped again; its number is used.
    NewDoc d;
    ASSERT_TRUE(Parse(d.doc, Resource({Tone(0, 32, 427, 0)})));
    EXPECT_EQ(d.doc.GetNextPatternNumber(0), 2);
}

TEST(AgiImport, RecordsAreReadOnlyInsideTheirChannelAndTheData)
{
    // Voice0 starts beyond Voice1's offset: nothing. Voice1's record is read whole though
    // Voice2 starts inside it, where AB B5 FF FF 04 reads as 0xB5AB ticks of divisor 1023.
    // The Noise record would run past the end: not read.
    NewDoc d;
    ASSERT_TRUE(Parse(d.doc, Bytes({14, 0, 8, 0, 11, 0, 16, 0}) + Tone(1, 6, 427, 5) +
                                 Bytes({0xFF, 0xFF, 4, 0, 0})));
    EXPECT_EQ(Imported(d.doc, 0) + "|" + Imported(d.doc, 1) + "|" + Imported(d.doc, 2) + "|" +
                  Imported(d.doc, 3),
              "|0:60/5 end 6|0:44/4 end 46507|");

    // The Noise data runs to the end even beyond 64 KiB.
    std::string noise;
    for (int i = 0; i < 14000; ++i)
        noise += Noise(1, 2, true, 3);
    ASSERT_TRUE(Parse(d.doc, Resource({"", "", "", noise})));
    EXPECT_EQ(d.doc.GetPlayRange().end, 14000);
    EXPECT_EQ(d.doc.GetWholeSongEnd(), 14000);

    // The longest channel fills every sequence step: 16 × 65534 + 32 rows make 32768
    // patterns, the last at step 32767.
    std::string voice;
    for (int i = 0; i < 16; ++i)
        voice += Tone(0, 65534, 427, 0);
    ASSERT_TRUE(Parse(d.doc, Resource({voice + Tone(0, 32, 254, 0)})));
    EXPECT_EQ(d.doc.GetPatterns(0).size(), 32768u);
    EXPECT_EQ(d.doc.GetSequence(0).rbegin()->first, 32767 * 32);
    EXPECT_EQ(d.doc.GetPlayRange().end, 1048576);
}

TEST(AgiImport, DamagedResourcesAreRefusedAndLeaveTheDocumentAsItWas)
{
    std::string tooManyRows;
    for (int i = 0; i < 17; ++i)
        tooManyRows += Tone(2, 65534, 427, 0);
    const std::pair<std::string, std::string> cases[] = {
        {Bytes({8, 0, 8, 0, 8, 0, 8}), "Error: Raw data too short! ( 7 bytes )"},
        {"", "Error: Raw data too short! ( 0 bytes )"},
        {Bytes({8, 0, 8, 0, 8, 0, 9, 0}),
         "Error: Offset 9 for machine 3 is out of bounds! ( total size 8 )"},
        {Bytes({17, 0, 40, 0, 8, 0, 8, 0}) + std::string(8, '\xFF'),
         "Error: Offset 17 for machine 0 is out of bounds! ( total size 16 )"},
        {Resource({"", "", "", std::string(1048576 - 13 - 2, '\0')}),
         "Error: Raw data too long! ( 1048577 bytes )"},
        {Resource({"", "", tooManyRows, ""}),
         "Error: Sound too long on machine 2! ( more than 1048576 rows )"},
    };
    for (const auto& [bytes, message] : cases)
    {
        NewDoc d;
        const std::string before = d.doc.SaveToBytes();
        EXPECT_EQ(Parse(d.doc, bytes).Error(), message);
        EXPECT_EQ(d.doc.SaveToBytes(), before);
        EXPECT_FALSE(d.doc.IsModified());
    }
}
