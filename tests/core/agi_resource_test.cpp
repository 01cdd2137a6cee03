// SPDX-License-Identifier: GPL-3.0-or-later
// The AGI sound resource: the export, the import and what survives a trip through both; the
// compression of version 3 games' resources, its writer checked by a plain reader written from
// the format's rules, its reader on hand-packed and damaged streams.
#include "AgiTestBytes.h"
#include "PlainLzw.h"
#include "game/AgiLzw.h"
#include "sound/AgiTone.h"
#include "support/EngineTimeline.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <set>

namespace
{
std::string Build(CSoundDoc& doc)
{
    return Hex(BuiltResource(doc));
}

void Import(CSoundDoc& doc, const std::string& bytes)
{
    ASSERT_TRUE(ImportBytes(doc, bytes)) << Hex(bytes.substr(0, 64));
}

const std::string kEmptyResource = "08 00 0A 00 0C 00 0E 00 FF FF FF FF FF FF FF FF";

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
        const auto& patterns = doc.GetPatterns(c);
        ASSERT_EQ(doc.GetSequence(c).size(), patterns.size());
        std::int32_t i = 0;
        char name[16];
        for (const auto& [pos, p] : doc.GetSequence(c))
        {
            std::snprintf(name, sizeof name, "%03d", i);
            const bool bLast = i + 1 == static_cast<std::int32_t>(patterns.size());
            EXPECT_TRUE(pos == 32 * i && p == patterns[i++] && p->GetName() == name &&
                        (p->GetRows() == 32 || (bLast && p->GetRows() > 0 && p->GetRows() < 32)))
                << "channel " << c << " pattern " << i - 1;
        }
    }
    EXPECT_EQ((std::array{doc.GetTracksPerBeat(), doc.GetBeatsPerMinute(), doc.GetStepSize(),
                          doc.GetPlayRange().start}),
              (std::array{24, 140, 32, 0}));
    EXPECT_EQ(doc.GetWholeSongEnd(), doc.GetPlayRange().end);
}

// Random patterns, placements, tempo and range.
void MakeRandomDocument(CSoundDoc& doc, std::uint32_t seed)
{
    std::mt19937 gen(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    const int tempos[][2] = {{4, 125}, {24, 140}, {4, 120}, {8, 100},
                             {2, 60},  {6, 90},   {3, 200}, {12, 140}};
    const auto& tempo = tempos[pick(0, 7)];
    doc.AssignProperties({tempo[1], doc.GetStepSize(), tempo[0]});
    doc.AssignPlayRange({pick(0, 20), doc.GetPlayRange().end});
    doc.AssignPlayRange({doc.GetPlayRange().start, doc.GetPlayRange().start + pick(0, 300)});
    for (int c = 0; c < kChannelCount; ++c)
        for (int i = pick(0, 4); i > 0; --i)
        {
            CSoundPattern* p = doc.CreatePattern(c, pick(1, 48));
            for (std::int32_t r = 0; r < p->GetRows(); ++r)
            {
                const int atten = pick(0, 4) == 0 ? ATTEN_EMPTY : pick(0, 15);
                const int freqs[] = {0, 1, 2, 3, FREQ_OFF, FREQ_EMPTY, 7, 100};
                const int notes[] = {pick(44, 116), pick(44, 116),  pick(0, 43), NOTE_OFF,
                                     NOTE_EMPTY,    pick(119, 254), kMaxNote};
                if (pick(0, 2) > 0)
                    p->SetCell(r, c == kNoiseChannel
                                      ? NoiseCell(freqs[pick(0, 7)], pick(0, 1), atten)
                                      : ToneCell(notes[pick(0, 6)], atten));
            }
            for (int k = pick(1, 3); k > 0; --k)
                doc.PlacePattern(c, pick(0, doc.GetPlayRange().end), p);
        }
}

using Bytes8 = std::vector<std::uint8_t>;

// Codes packed least significant bit first at the widths given.
Bytes8 Pack(const std::vector<std::pair<unsigned, int>>& codes)
{
    Bytes8 out;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (const auto& [code, width] : codes)
    {
        buffer |= code << bits;
        for (bits += width; bits >= 8; bits -= 8, buffer >>= 8)
            out.push_back(static_cast<std::uint8_t>(buffer));
    }
    if (bits > 0)
        out.push_back(static_cast<std::uint8_t>(buffer));
    return out;
}

// count byte codes at one width, appended to codes and to the bytes they stand for.
void AddByteCodes(std::vector<std::pair<unsigned, int>>& codes, std::string& bytes, int count,
                  int width)
{
    for (int i = 0; i < count; ++i)
    {
        const unsigned byte = (i * 37 + bytes.size()) % 256;
        codes.push_back({byte, width});
        bytes.push_back(static_cast<char>(byte));
    }
}

std::string Decode(const Bytes8& packed, std::size_t size, std::string& out)
{
    Bytes8 bytes;
    const std::string error = DecodeAgiLzw(packed, size, bytes);
    out.assign(bytes.begin(), bytes.end());
    return error;
}

Bytes8 Random(std::size_t size, std::uint32_t seed, int distinct)
{
    std::mt19937 gen(seed);
    Bytes8 out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, distinct - 1)(gen));
    return out;
}
} // namespace

TEST(AgiTone, DivisorsTicksPerRowTextAndTranspose)
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

    EXPECT_EQ(AgiDivisorText(0, 44), "Divisor 0: G#3 +88 cents"); // 0 sounds as 1024
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
        {[](CSoundDoc&, CSoundPattern&) {},
         "08 00 0F 00 11 00 13 00 70 00 00 8F 9F FF FF FF FF FF FF FF FF"},
        // A tempo that gives no ticks exports a tick a row, as it plays.
        {[](CSoundDoc& doc, CSoundPattern&) { doc.AssignProperties(SoundProperties{0, 16, 4}); },
         Hex(Resource({Record(16, 0, 0x8F, 0x9F)}))},
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
        {[](CSoundDoc& doc, CSoundPattern&) { doc.AssignPlayRange(PlayRange{0, 0}); },
         kEmptyResource},
        {[](CSoundDoc& doc, CSoundPattern&) { doc.AssignPlayRange(PlayRange{10, 9}); },
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
         Hex(Resource({Repeat(Tone(0, 65534, 427, 0), 2)}))},
    };
    for (const auto& [setup, expected] : cases)
    {
        NewDoc d;
        setup(d.doc, *d.doc.GetPatterns(0)[0]);
        EXPECT_EQ(Build(d.doc), expected);
    }
}

TEST(AgiExport, LargestResourceFitsItsSixteenBitOffsets)
{
    // A new note in every row: 16 + 5 × 13103 bytes. A row more is refused (the export errors'
    // test).
    NewDoc d;
    CSoundPattern& p = *d.doc.GetPatterns(0)[0];
    d.doc.AssignPlayRange({d.doc.GetPlayRange().start, 13103});
    p.SetRows(13103);
    for (std::int32_t r = 0; r < 13103; ++r)
        p.SetCell(r, ToneCell(50 + r % 20, 0));
    EXPECT_EQ(BuiltResource(d.doc).size(), 65531u);
}

TEST(AgiImport, RecordsBecomeOneRowPerTick)
{
    // Each channel's records, what each channel then holds, the range's end.
    const std::tuple<std::array<std::string, 4>, std::array<const char*, 4>, std::int32_t> cases[] =
        {
            {{}, {"", "", "", ""}, 0}, // the 8-byte empty resource
            {{Tone(0, 10, 427, 2)}, {"0:60/2 end 10", "", "", ""}, 10},
            // A channel's last pattern ends with it.
            {{Tone(0, 31, 427, 0), Tone(1, 32, 254, 0)},
             {"0:60/0 end 31", "0:69/0 end 32", "", ""},
             32},
            // The lowest note's divisor is 1023, not exact; 400 lies between notes.
            {{Tone(0, 100, 254, 7) + Tone(0, 3, 1016, 0) + Tone(0, 2, 400, 1) +
              Tone(0, 1, 1023, 0)},
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
            {{"", "", "",
              Noise(3, 2, true, 4) + Record(2, 0x3F, 0xE1, 0xFF) + Noise(1, 3, false, 0)},
             {"", "", "", "0:2w/4 3:1p/15 5:3p/0 end 6"},
             6},
        };
    for (const auto& [records, played, rangeEnd] : cases)
    {
        NewDoc d;
        ASSERT_TRUE(ImportBytes(d.doc, Resource(records)));
        ExpectImportLayout(d.doc);
        for (int ch = 0; ch < kChannelCount; ++ch)
            EXPECT_EQ(Imported(d.doc, ch), played[ch]) << played[0];
        EXPECT_EQ(d.doc.GetPlayRange().end, rangeEnd);
        EXPECT_TRUE(d.doc.IsModified());
    }
    // The pattern made for the row after a boundary is dropped again; its number is used.
    NewDoc d;
    ASSERT_TRUE(ImportBytes(d.doc, Resource({Tone(0, 32, 427, 0)})));
    EXPECT_EQ(d.doc.GetNextPatternNumber(0), 2);
}

TEST(AgiImport, RecordsAreReadOnlyInsideTheirChannelAndTheData)
{
    // Voice0 starts beyond Voice1's offset: nothing. Voice1's record is read whole though
    // Voice2 starts inside it, where AB B5 FF FF 04 reads as 0xB5AB ticks of divisor 1023.
    // The Noise record would run past the end: not read.
    NewDoc d;
    ASSERT_TRUE(ImportBytes(d.doc, Bytes({14, 0, 8, 0, 11, 0, 16, 0}) + Tone(1, 6, 427, 5) +
                                       Bytes({0xFF, 0xFF, 4, 0, 0})));
    EXPECT_EQ(Imported(d.doc, 0) + "|" + Imported(d.doc, 1) + "|" + Imported(d.doc, 2) + "|" +
                  Imported(d.doc, 3),
              "|0:60/5 end 6|0:44/4 end 46507|");

    // The Noise data runs to the end even beyond 64 KiB.
    ASSERT_TRUE(ImportBytes(d.doc, Resource({"", "", "", Repeat(Noise(1, 2, true, 3), 14000)})));
    EXPECT_EQ(d.doc.GetPlayRange().end, 14000);
    EXPECT_EQ(d.doc.GetWholeSongEnd(), 14000);

    // The longest channel fills every sequence step: 16 × 65534 + 32 rows make 32768
    // patterns, the last at step 32767.
    ASSERT_TRUE(
        ImportBytes(d.doc, Resource({Repeat(Tone(0, 65534, 427, 0), 16) + Tone(0, 32, 254, 0)})));
    EXPECT_EQ(d.doc.GetPatterns(0).size(), 32768u);
    EXPECT_EQ(d.doc.GetSequence(0).rbegin()->first, 32767 * 32);
    EXPECT_EQ(d.doc.GetPlayRange().end, 1048576);
}

TEST(AgiImport, DamagedResourcesAreRefusedAndLeaveTheDocumentAsItWas)
{
    const std::pair<std::string, std::string> cases[] = {
        {Bytes({8, 0, 8, 0, 8, 0, 8}), "Error: Raw data too short! ( 7 bytes )"},
        {Bytes({8, 0, 8, 0, 8, 0, 9, 0}),
         "Error: Offset 9 for the noise channel is out of bounds! ( total size 8 )"},
        {Bytes({17, 0, 40, 0, 8, 0, 8, 0}) + std::string(8, '\xFF'),
         "Error: Offset 17 for voice 0 is out of bounds! ( total size 16 )"},
        {Resource({"", "", "", std::string(1048576 - 13 - 2, '\0')}),
         "Error: Raw data too long! ( 1048577 bytes )"},
        {Resource({"", "", Repeat(Tone(2, 65534, 427, 0), 17), ""}),
         "Error: Sound too long on voice 2! ( more than 1048576 rows )"},
    };
    for (const auto& [bytes, message] : cases)
    {
        NewDoc d;
        const std::string before = d.doc.SaveToBytes();
        EXPECT_EQ(ImportBytes(d.doc, bytes).Error(), message);
        EXPECT_EQ(d.doc.SaveToBytes(), before);
        EXPECT_FALSE(d.doc.IsModified());
    }
}

TEST(AgiRoundTrip, RandomDocuments)
{
    for (std::uint32_t seed = 1; seed <= 400; ++seed)
    {
        CSoundDoc doc, imported;
        MakeRandomDocument(doc, seed);
        const std::string exported = BuiltResource(doc);
        Import(imported, exported);
        ASSERT_EQ(Build(imported), Hex(exported)) << "seed " << seed;
    }
}

TEST(AgiRoundTrip, TheEnginePlaysTheImportAsTheOriginal)
{
    // Name, bytes and the longest channel's ticks (-1 unknown).
    std::vector<std::tuple<std::string, std::string, std::int32_t>> resources;
    for (const auto& [file, end] : {std::pair{"buddhies-sound000.agi", 11707},
                                    {"buddhies-sound001.agi", 5127},
                                    {"countryoforigin-sound000.agi", 25150}})
        resources.emplace_back(file, ReadFileBytes(std::string(TARVOK_SOUNDS_DIR "/") + file), end);
    // Every eighth one long: up to 12 records of up to 65534 ticks a channel.
    for (std::uint32_t seed = 1; seed <= 200; ++seed)
    {
        const bool bLong = seed % 8 == 0;
        resources.emplace_back("seed " + std::to_string(seed),
                               RandomResource(seed, bLong ? 12 : 60, bLong ? 65534 : 40), -1);
    }
    for (const auto& [name, bytes, end] : resources)
    {
        CSoundDoc doc, reloaded;
        Import(doc, bytes);
        EXPECT_EQ(end < 0 ? end : doc.GetPlayRange().end, end) << name;
        const std::string exported = BuiltResource(doc);
        EXPECT_EQ(EngineTimeline(exported), EngineTimeline(bytes)) << name;
        ASSERT_TRUE(reloaded.LoadFromBytes(doc.SaveToBytes()));
        EXPECT_EQ(Build(reloaded), Hex(exported)) << name;
    }
}

TEST(AgiRoundTrip, WhatComesBackChanged)
{
    // Expected export, or "" for the same bytes.
    const std::pair<std::string, std::string> cases[] = {
        // Divisor 15 sounds as note 117; songs keep their length in ticks, even when a
        // note ends on a pattern's last row; a game's rests of divisor 0; divisors between
        // semitones, and 0 sounding.
        {Resource({Tone(0, 32, 15, 0)}), ""},
        {Resource({Tone(0, 31, 427, 0)}), ""},
        {Resource({Tone(0, 3, 288, 2) + Tone(0, 1, 0, 15) + Tone(0, 2, 0, 4)}), ""},
        // Played alike: a record without time goes; one with a control byte of 0 names the
        // setting that goes on; a shorter channel rests until the song's end.
        {Resource({Tone(0, 0, 300, 0) + Record(5, 0, 0, 0x93), "", "",
                   Noise(2, 1, true, 3) + Record(3, 0, 0, 0xF5)}),
         Resource({Tone(0, 5, 300, 3), "", "", Noise(2, 1, true, 3) + Noise(3, 1, true, 5)})},
        {Resource({Tone(0, 4, 427, 0), Tone(1, 2, 254, 0)}),
         Resource({Tone(0, 4, 427, 0), Tone(1, 2, 254, 0) + Tone(1, 2, 15, 15)})},
    };
    for (const auto& [bytes, expected] : cases)
    {
        CSoundDoc doc;
        Import(doc, bytes);
        EXPECT_EQ(Build(doc), Hex(expected.empty() ? bytes : expected));
    }
}

TEST(AgiLzw, WriterOutputReadsBackWithBothReaders)
{
    // Name, data, the fewest resets (the first one included).
    const std::tuple<const char*, Bytes8, int> cases[] = {
        {"empty", {}, 1},
        {"a run: each string one longer", Bytes8(5000, 0), 1},
        {"few distinct bytes, many strings", Random(20000, 1, 4), 2},
        {"noise: the table fills again and again", Random(65535, 2, 256), 10},
    };
    for (const auto& [name, data, minResets] : cases)
    {
        SCOPED_TRACE(name);
        const Bytes8 packed = EncodeAgiLzw(data);
        Bytes8 decoded;
        EXPECT_EQ(DecodeAgiLzw(packed, data.size(), decoded), "");
        EXPECT_EQ(decoded, data);

        const PlainDecode plain = DecodePlainly(packed);
        EXPECT_EQ(plain.error, "");
        EXPECT_EQ(plain.out, std::string(data.begin(), data.end()));
        EXPECT_TRUE(plain.bStartsWithReset);
        EXPECT_GE(plain.resets, minResets);
        EXPECT_LT(plain.highestAssigned, 2048u);
        if (data.size() > 10000)
        {
            EXPECT_EQ(plain.widths, (std::set<int>{9, 10, 11}));
        }
    }
    EXPECT_LT(EncodeAgiLzw(Bytes8(5000, 0)).size(), 200u);
}

TEST(AgiLzw, WidthGrowsAtTheTableSizesAndResets)
{
    // 255 codes at 9 bits: the first assigns nothing, the rest 258 to 511; then 512 codes at
    // 10 bits assign up to 1023; then 11 bits until a reset brings back 9.
    auto stream = [](int atNine, int atTen)
    {
        std::vector<std::pair<unsigned, int>> codes = {{256, 9}};
        std::string bytes;
        AddByteCodes(codes, bytes, atNine, 9);
        AddByteCodes(codes, bytes, atTen, 10);
        AddByteCodes(codes, bytes, 3, 11);
        codes.push_back({256, 11});
        AddByteCodes(codes, bytes, 2, 9);
        codes.push_back({257, 9});
        return std::make_pair(Pack(codes), bytes);
    };
    const auto [good, bytes] = stream(255, 512);
    std::string out;
    EXPECT_EQ(Decode(good, bytes.size(), out), "");
    EXPECT_EQ(out, bytes);
    EXPECT_EQ(DecodePlainly(good).out, bytes);

    // One code too early or too late at either step misreads the rest.
    for (const auto& [atNine, atTen] : {std::pair{254, 513}, {256, 511}, {255, 511}, {255, 513}})
    {
        const auto [bad, badBytes] = stream(atNine, atTen);
        const std::string error = Decode(bad, badBytes.size(), out);
        EXPECT_TRUE(!error.empty() || out != badBytes) << atNine << " " << atTen;
    }
}

TEST(AgiLzw, TableCodesAndDamagedStreams)
{
    // Name, stream, size, what it reads as when readable, part of the reason otherwise.
    const std::tuple<const char*, Bytes8, std::size_t, std::string, std::string> cases[] = {
        {"a string from the table", Pack({{256, 9}, {'a', 9}, {'b', 9}, {258, 9}, {257, 9}}), 4,
         "abab", ""},
        {"the code being assigned", Pack({{256, 9}, {'a', 9}, {258, 9}, {259, 9}, {257, 9}}), 6,
         "aaaaaa", ""},
        {"bytes after the end code", Pack({{256, 9}, {'a', 9}, {257, 9}, {300, 9}}), 1, "a", ""},
        {"nothing", {}, 0, "", "ends without an end code"},
        {"no end code", Pack({{256, 9}, {'a', 9}, {'b', 9}}), 2, "", "ends without an end code"},
        {"past the table", Pack({{256, 9}, {'a', 9}, {259, 9}, {257, 9}}), 3, "",
         "code 259, past the table"},
        {"a string right after a reset", Pack({{256, 9}, {258, 9}, {257, 9}}), 2, "",
         "code 258, past the table"},
        {"shorter than its size", Pack({{256, 9}, {'a', 9}, {'b', 9}, {257, 9}}), 3, "",
         "decodes to 2 bytes, not the 3"},
        {"longer than its size", Pack({{256, 9}, {'a', 9}, {258, 9}, {259, 9}, {257, 9}}), 2, "",
         "more than the 2 bytes"},
    };
    for (const auto& [name, packed, size, expected, reason] : cases)
    {
        SCOPED_TRACE(name);
        std::string out;
        const std::string error = Decode(packed, size, out);
        if (reason.empty())
            EXPECT_EQ(std::pair(error, out), std::pair(std::string(), expected));
        else
            EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_LE(out.size(), size);
    }
}
