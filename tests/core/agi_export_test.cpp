// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "sound/AgiTone.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>

namespace
{
std::string Build(CSoundDoc& doc)
{
    return Hex(BuiltResource(doc));
}

const std::string kNewDocResource =
    "08 00 0F 00 11 00 13 00 70 00 00 8F 9F FF FF FF FF FF FF FF FF";
const std::string kEmptyResource = "08 00 0A 00 0C 00 0E 00 FF FF FF FF FF FF FF FF";
} // namespace

TEST(AgiTone, DivisorsAndTicksPerRow)
{
    std::string divisors, ticks;
    // Below the generator's range (44, 0): its lowest pitch, not a wrapped divisor.
    for (const int note : {60, 69, 45, 117, 44, 0})
        divisors += std::to_string(AgiDivisorOfNote(note)) + " ";
    EXPECT_EQ(divisors, "427 254 1016 15 1023 1023 ");
    for (const auto& [tpb, bpm] :
         {std::pair{4, 125}, {24, 140}, {1, 1}, {0, 125}, {4, 0}, {-4, 125}})
        ticks += std::to_string(AgiTicksPerRow(tpb, bpm)) + " ";
    EXPECT_EQ(ticks, "7 1 470400 0 0 0 ");
}

TEST(AgiTone, ExactDivisorsTextAndTranspose)
{
    EXPECT_EQ(AgiDivisorText(288, 66), "Divisor 288: F#5 +84 cents");
    EXPECT_EQ(AgiDivisorText(0, 44), "Divisor 0: G#3 +88 cents"); // 0 sounds as 1024
    EXPECT_EQ(AgiDivisorText(5, NOTE_OFF), "Divisor 5");
    // {divisor, semitones, new note, result}: scaled and rounded; kept within 1-1023;
    // dropped where the new note's own divisor says the same.
    const int transposes[][4] = {{288, 12, 78, 144},
                                 {300, 1, 68, 283},
                                 {1, 24, 117, 1},
                                 {0, -12, 32, kNoDivisor},
                                 {269, 1, 69, kNoDivisor}};
    for (const auto& t : transposes)
        EXPECT_EQ(AgiTransposeDivisor(t[0], t[1], t[2]), t[3]) << t[0] << " " << t[1];
}

TEST(AgiExport, RecordsOfTheHeldSounds)
{
    using Setup = std::function<void(CSoundDoc&, CSoundPattern&)>;
    const std::pair<Setup, std::string> cases[] = {
        // The pattern's end at 16 closes a silent record of 16 × 7 ticks.
        {[](CSoundDoc&, CSoundPattern&) {}, kNewDocResource},
        {[](CSoundDoc& doc, CSoundPattern&) {
             doc.AssignProperties({0, doc.GetStepSize(), doc.GetTracksPerBeat()});
         },
         Hex(Resource({Record(0, 0, 0x8F, 0x9F)}))},
        {[](CSoundDoc&, CSoundPattern& p) { p.SetCell(0, ToneCell(60, 0)); },
         Hex(Resource({Bytes({0x70, 0x00, 0x1A, 0x8B, 0x90})}))},
        // An attenuation alone re-sounds the held note; a note alone keeps the attenuation;
        // an off is silent whatever it holds.
        {[](CSoundDoc&, CSoundPattern& p)
         {
             p.SetCell(0, ToneCell(60, 0));
             p.SetCell(4, ToneCell(NOTE_EMPTY, 5));
             p.SetCell(8, ToneCell(69, ATTEN_EMPTY));
             p.SetCell(12, ToneCell(NOTE_OFF, 3));
         },
         Hex(Resource({Tone(0, 28, 427, 0) + Tone(0, 28, 427, 5) + Tone(0, 28, 254, 5) +
                       Tone(0, 28, 15, 15)}))},
        // An exact divisor is written and carried by an attenuation alone; a rest's too.
        {[](CSoundDoc&, CSoundPattern& p)
         {
             p.SetCell(0, {66, FREQ_EMPTY, 0, 0, 288});
             p.SetCell(4, ToneCell(NOTE_EMPTY, 5));
             p.SetCell(8, {NOTE_OFF, FREQ_EMPTY, 0, ATTEN_EMPTY, 0});
         },
         Hex(Resource({Tone(0, 28, 288, 0) + Tone(0, 28, 288, 5) + Tone(0, 56, 0, 15)}))},
        // After a pattern's end, silence until the next placement; the range end closes all.
        {[](CSoundDoc& doc, CSoundPattern& p)
         {
             p.SetCell(0, ToneCell(60, 0));
             doc.AssignPlayRange({doc.GetPlayRange().start, 40});
             Place(doc, 0, 32, 16)->SetCell(0, ToneCell(45, 1));
             Place(doc, 2, 0, 4)->SetCell(0, ToneCell(69, 3));
         },
         Hex(Resource({Tone(0, 112, 427, 0) + Tone(0, 112, 15, 15) + Tone(0, 56, 1016, 1), "",
                       Bytes({0x1C, 0, 0x0F, 0xCE, 0xD3}) + Tone(2, 252, 15, 15), ""}))},
        // Noise: nothing yet, white noise, its attenuation changed alone, a periodic setting.
        {[](CSoundDoc& doc, CSoundPattern&)
         {
             doc.AssignPlayRange({doc.GetPlayRange().start, 4});
             CSoundPattern* p = Place(doc, 3, 1, 3);
             p->SetCell(0, NoiseCell(2, NOISE_WHITE, 4));
             p->SetCell(1, NoiseCell(FREQ_EMPTY, NOISE_PERIODIC, 9));
             p->SetCell(2, NoiseCell(1, NOISE_PERIODIC, ATTEN_EMPTY));
         },
         Hex(Resource({"", "", "", Bytes({7, 0, 0, 0xE3, 0xFF, 7, 0, 0, 0xE6, 0xF4,
                                          7, 0, 0, 0xE6, 0xF9, 7, 0, 0, 0xE1, 0xF9})}))},
        {[](CSoundDoc& doc, CSoundPattern&) {
             doc.AssignPlayRange({doc.GetPlayRange().start, 0});
         },
         kEmptyResource},
        {[](CSoundDoc& doc, CSoundPattern&) {
             doc.AssignPlayRange({10, 9});
         },
         kEmptyResource},
        // 70000 ticks need two records, the first as long as a record can be (never FF FF);
        // an exact multiple of that length gets no empty record after it.
        {[](CSoundDoc& doc, CSoundPattern& p)
         {
             doc.AssignPlayRange({doc.GetPlayRange().start, 10000});
             p.SetRows(10000);
             p.SetCell(0, ToneCell(60, 0));
         },
         Hex(Resource({Bytes({0xFE, 0xFF, 0x1A, 0x8B, 0x90, 0x72, 0x11, 0x1A, 0x8B, 0x90})}))},
        {[](CSoundDoc& doc, CSoundPattern& p)
         {
             doc.AssignProperties({140, doc.GetStepSize(), 24});
             doc.AssignPlayRange({doc.GetPlayRange().start, 2 * 65534});
             p.SetRows(2 * 65534);
             p.SetCell(0, ToneCell(60, 0));
         },
         Hex(Resource({Tone(0, 65534, 427, 0) + Tone(0, 65534, 427, 0)}))},
    };
    for (const auto& [setup, expected] : cases)
    {
        NewDoc d;
        setup(d.doc, *d.doc.GetPatterns(0)[0]);
        EXPECT_EQ(Build(d.doc), expected);
    }
}

TEST(AgiExport, ResourceMustFitItsSixteenBitOffsets)
{
    // A new note in every row: 16 + 5 × rows bytes.
    for (const std::int32_t rows : {13103, 13104})
    {
        NewDoc d;
        CSoundPattern& p = *d.doc.GetPatterns(0)[0];
        d.doc.AssignPlayRange({d.doc.GetPlayRange().start, rows});
        p.SetRows(rows);
        for (std::int32_t r = 0; r < rows; ++r)
            p.SetCell(r, ToneCell(50 + r % 20, 0));
        const bool bFits = rows == 13103;
        const auto built = BuildAgiBytes(d.doc);
        EXPECT_EQ(built.Ok(), bFits);
        EXPECT_EQ(bFits ? built.Value().size() : 0u, bFits ? 65531u : 0u);
        EXPECT_EQ(built.Error(),
                  bFits ? ""
                        : "Error: Sound too long for an AGI resource! ( more than 65535 bytes )");
    }
}
