// SPDX-License-Identifier: GPL-3.0-or-later
// Instruments: notes baked tick by tick into the AGI export, the export's size counted
// without it, and the instruments' place in the document's file and pattern blocks.
#include "AgiTestBytes.h"
#include "sound/AgiResource.h"
#include "sound/InstrumentText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace
{
using Sequences = std::vector<std::pair<SequenceKind, InstrumentSequence>>;

CInstrument MakeInstrument(int number, const std::string& name, const Sequences& sequences)
{
    CInstrument instrument(number, name);
    for (const auto& [kind, sequence] : sequences)
        instrument.SetSequence(kind, sequence);
    return instrument;
}

SoundCell With(SoundCell cell, int instrument)
{
    cell.instrument = static_cast<std::uint8_t>(instrument);
    return cell;
}

// One pattern of the given rows on the channel, played from 0 to its end; one tick a row.
struct TickDoc
{
    explicit TickDoc(int channel, int rows, bool bOneTickARow = true)
    {
        doc.OnNewDocument();
        if (bOneTickARow)
            doc.AssignProperties({140, 16, 24});
        doc.DeletePattern(doc.GetPatterns(0)[0].get());
        pattern = Place(doc, channel, 0, rows);
        doc.AssignPlayRange({0, rows});
    }
    CSoundDoc doc;
    CSoundPattern* pattern = nullptr;
};

const auto V = SequenceKind::Volume;
const auto A = SequenceKind::Arpeggio;
const auto P = SequenceKind::Pitch;
const auto N = SequenceKind::Noise;
const SoundCell kOff = ToneCell(NOTE_OFF, ATTEN_EMPTY);

std::string Channel(int channel, const std::string& records)
{
    std::array<std::string, 4> voices;
    voices[static_cast<std::size_t>(channel)] = records;
    return Hex(Resource(voices));
}

// Each instrument as "number name: kind=values|loop/release ...".
std::string Summary(const CSoundDoc& doc)
{
    std::string out;
    for (const CInstrument& instrument : doc.GetInstruments())
    {
        out += std::to_string(instrument.GetNumber()) + " " + instrument.GetName() + ":";
        for (const SequenceKind kind : kSequenceKinds)
        {
            const InstrumentSequence& s = instrument.GetSequence(kind);
            if (!s.Empty())
                out += std::string(" ") + SequenceName(kind) + "=" + SequenceValuesText(s) +
                       "|" + std::to_string(s.loop) + "/" + std::to_string(s.release);
        }
        out += "; ";
    }
    return out;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return out;
}

std::string WithInstruments(const std::string& instruments, const std::string& cellAttributes)
{
    return "<sound type=\"tracker\">\r\n<instruments>\r\n" + instruments +
           "</instruments>\r\n<machine channel=\"0\" name=\"Voice0\" nextpattern=\"1\">\r\n"
           "<pattern index=\"0\" name=\"000\" rows=\"4\">\r\n<row index=\"0\" note=\"C-5\"" +
           cellAttributes + " />\r\n</pattern>\r\n</machine>\r\n</sound>\r\n";
}
} // namespace

TEST(InstrumentExport, TicksOfNotesWithAnInstrument)
{
    struct Case
    {
        const char* what;
        int channel;
        int rows;
        Sequences sequences;
        std::vector<std::pair<int, SoundCell>> cells;
        std::string records;
        bool bOneTickARow = true;
    };
    const Case cases[] = {
        {"volume steps, then holds its last value", 0, 5, {{V, {{0, 1, 2}}}},
         {{0, With(ToneCell(60, 0), 1)}},
         Tone(0, 1, 427, 0) + Tone(0, 1, 427, 1) + Tone(0, 3, 427, 2)},
        {"a loop goes back to its index", 0, 5, {{V, {{0, 3, 6}, 1}}},
         {{0, With(ToneCell(60, 0), 1)}},
         Tone(0, 1, 427, 0) + Tone(0, 1, 427, 3) + Tone(0, 1, 427, 6) + Tone(0, 1, 427, 3) +
             Tone(0, 1, 427, 6)},
        {"ticks run on across rows", 0, 2, {{V, {{0, 1, 2, 3, 4, 5, 6, 7, 8}}}},
         {{0, With(ToneCell(60, 0), 1)}},
         Tone(0, 1, 427, 0) + Tone(0, 1, 427, 1) + Tone(0, 1, 427, 2) + Tone(0, 1, 427, 3) +
             Tone(0, 1, 427, 4) + Tone(0, 1, 427, 5) + Tone(0, 1, 427, 6) + Tone(0, 1, 427, 7) +
             Tone(0, 6, 427, 8),
         false},
        {"held before the release, released through the rest, then silent", 0, 8,
         {{V, {{0, 1, 2, 3}, kNoIndex, 2}}},
         {{0, With(ToneCell(60, 0), 1)}, {4, kOff}},
         Tone(0, 1, 427, 0) + Tone(0, 3, 427, 1) + Tone(0, 1, 427, 2) + Tone(0, 1, 427, 3) +
             Tone(0, 2, 427, 15)},
        {"a release at the first value holds it", 0, 5, {{V, {{5, 0}, kNoIndex, 0}}},
         {{0, With(ToneCell(60, 0), 1)}, {2, kOff}},
         Tone(0, 3, 427, 5) + Tone(0, 1, 427, 0) + Tone(0, 1, 427, 15)},
        {"the release goes on through an attenuation and ends at the next note", 0, 6,
         {{V, {{0, 1, 2, 3}, kNoIndex, 2}}, {A, {{0, 12}}}},
         {{0, With(ToneCell(60, 0), 1)}, {2, kOff}, {3, ToneCell(NOTE_EMPTY, 9)},
          {4, ToneCell(69, 5)}},
         Tone(0, 1, 427, 0) + Tone(0, 1, 213, 1) + Tone(0, 1, 213, 2) + Tone(0, 1, 213, 3) +
             Tone(0, 2, 254, 5)},
        {"without a release a rest silences at once", 0, 4, {{V, {{0, 1}}}},
         {{0, With(ToneCell(60, 0), 1)}, {2, kOff}},
         Tone(0, 1, 427, 0) + Tone(0, 1, 427, 1) + Tone(0, 2, 15, 15)},
        {"attenuation is the cell's plus the volume, clamped; a new one does not restart", 0, 5,
         {{V, {{0, 1, 5}}}},
         {{0, With(ToneCell(60, 12), 1)}, {3, ToneCell(NOTE_EMPTY, 3)}},
         Tone(0, 1, 427, 12) + Tone(0, 1, 427, 13) + Tone(0, 1, 427, 15) + Tone(0, 2, 427, 8)},
        {"every note start is a record of its own", 0, 4, {{V, {{0}}}},
         {{0, With(ToneCell(60, 0), 1)}, {2, With(ToneCell(60, 0), 1)}},
         Tone(0, 2, 427, 0) + Tone(0, 2, 427, 0)},
        {"arpeggio by the editor's notes, kept within them", 1, 3, {{A, {{0, 48, -48}}}},
         {{0, With(ToneCell(80, 0), 1)}},
         Tone(1, 1, 134, 0) + Tone(1, 1, 15, 0) + Tone(1, 1, 1023, 0)},
        {"pitch in cents, rounded and kept within the chip", 0, 3, {{P, {{1200, -1200, -1}}}},
         {{0, With(ToneCell(45, 0), 1)}},
         Tone(0, 1, 508, 0) + Tone(0, 1, 1023, 0) + Tone(0, 1, 1017, 0)},
        {"an exact divisor scaled by the arpeggio", 2, 2, {{A, {{12, -12}}}},
         {{0, With({66, FREQ_EMPTY, 0, 4, 288}, 1)}}, Tone(2, 1, 144, 4) + Tone(2, 1, 576, 4)},
        {"noise settings: rate and white noise; other sequences leave a noise cell's pitch", 3,
         5, {{N, {{4, 5, 6, 3}}}, {A, {{12}}}},
         {{0, With(NoiseCell(1, NOISE_PERIODIC, 2), 1)}},
         Noise(1, 0, true, 2) + Noise(1, 1, true, 2) + Noise(1, 2, true, 2) +
             Noise(2, 3, false, 2)},
        {"without a noise sequence the cell's setting stays", 3, 3, {{V, {{0, 2}}}},
         {{0, With(NoiseCell(2, NOISE_WHITE, 0), 1)}},
         Noise(1, 2, true, 0) + Noise(2, 2, true, 2)},
    };
    for (const Case& c : cases)
    {
        TickDoc d(c.channel, c.rows, c.bOneTickARow);
        ASSERT_TRUE(d.doc.SetInstruments({MakeInstrument(1, "i", c.sequences)})) << c.what;
        for (const auto& [row, cell] : c.cells)
            d.pattern->SetCell(row, cell);
        EXPECT_EQ(Hex(BuiltResource(d.doc)), Channel(c.channel, c.records)) << c.what;
    }
}

TEST(InstrumentExport, SizeCountsWhatTheExportWrites)
{
    std::mt19937 gen(31);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    for (int round = 0; round < 40; ++round)
    {
        NewDoc d;
        d.doc.AssignProperties({pick(60, 200), 16, pick(1, 8)});
        std::vector<CInstrument> instruments;
        for (int n = 1; n <= 3; ++n)
        {
            Sequences sequences;
            for (const SequenceKind kind : kSequenceKinds)
            {
                InstrumentSequence s;
                for (int i = pick(0, 6); i > 0; --i)
                    s.values.push_back(pick(RangeOf(kind).low, RangeOf(kind).high));
                if (s.Length() > 1 && pick(0, 1) == 1)
                    s.release = pick(1, s.Length() - 1);
                if (s.Length() > 1 && pick(0, 1) == 1)
                    s.loop = pick(0, s.HasRelease() ? s.release - 1 : s.Length() - 1);
                sequences.emplace_back(kind, s);
            }
            instruments.push_back(MakeInstrument(n, "i" + std::to_string(n), sequences));
        }
        ASSERT_TRUE(d.doc.SetInstruments(instruments));
        for (int c = 0; c < kChannelCount; ++c)
        {
            CSoundPattern* p = Place(d.doc, c, pick(0, 8), pick(4, 40));
            for (std::int32_t r = 0; r < p->GetRows(); r += pick(1, 5))
            {
                const int atten = pick(0, 3) == 0 ? ATTEN_EMPTY : pick(0, 15);
                const SoundCell cell = c == kNoiseChannel
                                           ? NoiseCell(pick(0, 4) == 0 ? FREQ_OFF : pick(0, 3),
                                                       pick(0, 1), atten)
                                           : ToneCell(pick(0, 4) == 0 ? NOTE_OFF : pick(30, 117),
                                                      atten);
                p->SetCell(r, With(cell, pick(0, 3)));
            }
        }
        d.doc.AssignPlayRange({0, d.doc.GetWholeSongEnd() + pick(0, 8)});
        const std::string built = BuiltResource(d.doc);
        const AgiExportSize size = MeasureAgiExport(d.doc, d.doc.GetPlayRange());
        ASSERT_EQ(size.bytes, static_cast<std::int64_t>(built.size()));
        for (int c = 0; c < kChannelCount; ++c)
        {
            const auto at = [&](int i) -> std::int64_t
            {
                const auto* pTable = reinterpret_cast<const std::uint8_t*>(built.data());
                return i < kChannelCount ? ReadLE16(pTable + 2 * i)
                                         : static_cast<std::int64_t>(built.size());
            };
            const std::int64_t bytes = at(c + 1) - at(c);
            EXPECT_EQ(size.voices[c], (AgiVoiceSize{(bytes - 2) / 5, bytes})) << round;
        }
    }

    // Past the resource's limit the export refuses, and the count and --info still tell.
    TickDoc d(0, 10000, false);
    ASSERT_TRUE(d.doc.SetInstruments({MakeInstrument(1, "i", {{V, {{0, 1}, 0}}})}));
    d.pattern->SetCell(0, With(ToneCell(60, 0), 1));
    EXPECT_FALSE(BuildAgiResource(d.doc, d.doc.GetPlayRange()).Ok());
    EXPECT_EQ(MeasureAgiExport(d.doc, d.doc.GetPlayRange()).voices[0],
              (AgiVoiceSize{70000, 350002}));
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/long.tks", d.doc.SaveToBytes());
    EXPECT_EQ(RunConvert("--info " + dir + "/long.tks").out,
              "voice 0: 70,000 records, 350,002 bytes\nvoice 1: 0 records, 2 bytes\n"
              "voice 2: 0 records, 2 bytes\nvoice 3: 0 records, 2 bytes\n"
              "total: 350,016 bytes\n");
}

TEST(InstrumentFile, RoundTripInBothReadersAndTheBlock)
{
    NewDoc d;
    const CInstrument pluck =
        MakeInstrument(1, "Pluck",
                       {{V, {{0, 1, 2, 3, 6, 9, 12, 15}, 2, 4}},
                        {A, {{0, 12}}},
                        {P, {{0, 10, 20, 10, 0, -10, -20, -10}, 0}},
                        {N, {{4, 5, 6}}}});
    ASSERT_TRUE(d.doc.SetInstruments({pluck, CInstrument(42, "Empty")}));
    CSoundPattern& pattern = *d.doc.GetPatterns(0)[0];
    pattern.SetCell(3, With(ToneCell(60, 2), 1));
    pattern.SetCell(5, With(SoundCell::Empty(), 1));
    const std::string text = d.doc.SaveToBytes();
    EXPECT_NE(text.find("</settings>\r\n<instruments>\r\n"
                        "<instrument index=\"1\" name=\"Pluck\">\r\n"
                        "<volume values=\"0,1,2,3,6,9,12,15\" loop=\"2\" release=\"4\" />\r\n"
                        "<arpeggio values=\"0,12\" />\r\n"
                        "<pitch values=\"0,10,20,10,0,-10,-20,-10\" loop=\"0\" />\r\n"
                        "<noise values=\"4,5,6\" />\r\n</instrument>\r\n"
                        "<instrument index=\"42\" name=\"Empty\" />\r\n</instruments>\r\n"
                        "<machine"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("<row index=\"3\" note=\"C-5\" attenuation=\"2\" instrument=\"1\" />\r\n"
                        "<row index=\"5\" instrument=\"1\" />"),
              std::string::npos);

    // The writer's layout goes to the direct reader, an indented one to the tree.
    std::string indented;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1)
        indented += "  " + text.substr(at, (end = text.find('\n', at)) - at + 1);
    std::vector<std::string> saved;
    for (const std::string& file : {text, indented})
    {
        CSoundDoc loaded;
        ASSERT_TRUE(loaded.LoadFromBytes(file).Ok());
        EXPECT_EQ(loaded.GetInstruments(), d.doc.GetInstruments());
        for (const std::int32_t row : {3, 5})
            EXPECT_EQ(loaded.GetPatterns(0)[0]->GetCell(row), pattern.GetCell(row));
        EXPECT_TRUE(loaded.GetLoadNotes().empty());
        saved.push_back(loaded.SaveToBytes());
    }
    EXPECT_EQ(saved[0], saved[1]);

    // Copy and paste carry the instrument, into another sound only when it has one of that
    // number; numbers are the instruments' own; a cell naming one the sound lacks breaks a
    // promise.
    const auto block = CSoundDoc::PatternFromGlobal(CSoundDoc::CopyPatternToGlobal(&pattern));
    ASSERT_TRUE(block.Ok());
    EXPECT_EQ(block.Value()->GetCell(3).instrument, 1);
    NewDoc other;
    const PatternId pasted = other.doc.InsertPattern(0, CSoundDoc::PatternFromGlobal(
                                                            CSoundDoc::CopyPatternToGlobal(&pattern))
                                                            .Value());
    EXPECT_EQ(other.doc.FindPattern(pasted)->GetCell(3), ToneCell(60, 2));
    EXPECT_TRUE(other.doc.Validate().Ok());
    EXPECT_TRUE(d.doc.Validate().Ok());
    EXPECT_FALSE(d.doc.SetInstruments({CInstrument(42, "a"), CInstrument(42, "b")}));
    d.doc.AssignInstruments({});
    EXPECT_FALSE(d.doc.Validate().Ok());
}

TEST(InstrumentFile, BadValuesLoadClampedOrDroppedWithANoteEach)
{
    const std::string many = "0" + Repeat(",1", 299);
    const struct
    {
        std::string instruments;
        std::string cell;
        std::string summary;
        std::string notes;
    } cases[] = {
        {"<instrument index=\"1\" name=\"a\">\r\n<volume values=\"0,20,-3\" loop=\"5\" "
         "release=\"1\" />\r\n<pitch values=\"x,5,\" loop=\"-1\" />\r\n</instrument>\r\n",
         " instrument=\"1\"", "1 a: volume=0,15,0|-1/1 pitch=5|-1/-1; ",
         "instrument 1 a: volume values clamped to 0 to 15, volume loop past the end dropped, "
         "pitch values that are not numbers dropped, pitch loop past the end dropped\n"},
        {"<instrument index=\"2\" name=\"b c\">\r\n<noise values=\"" + many +
             "\" loop=\"3\" release=\"2\" />\r\n<arpeggio values=\"\" />\r\n</instrument>\r\n",
         "", "2 b_c: noise=" + many.substr(0, 509) + "|-1/2; ",
         "instrument 2 b c: blanks in the name made _, noise cut to 255 values, noise loop not "
         "before its release dropped, arpeggio without values dropped\n"},
        {"<instrument index=\"3\" name=\"d\" />\r\n<instrument index=\"3\" name=\"e\" />\r\n"
         "<instrument index=\"100\" name=\"f\" />\r\n<instrument name=\"g\" />\r\n",
         " instrument=\"7\"", "3 d:; ",
         "instrument 3 e: dropped, its number is taken\n"
         "instrument 100 f: dropped, numbers go from 1 to 99\n"
         "instrument without an index g: dropped, numbers go from 1 to 99\n"
         "Voice0 pattern 000 row 0: no instrument 7, dropped from 1 cell\n"},
    };
    for (const auto& c : cases)
    {
        const std::string text = WithInstruments(c.instruments, c.cell);
        std::string indented = text;
        for (std::size_t at = 0; (at = indented.find("<", at)) != std::string::npos; at += 3)
            indented.insert(at, "  ");
        for (const std::string& file : {text, indented})
        {
            CSoundDoc doc;
            ASSERT_TRUE(doc.LoadFromBytes(file).Ok()) << file;
            EXPECT_EQ(Summary(doc), c.summary) << file;
            EXPECT_EQ(Joined(doc.GetLoadNotes()), c.notes) << file;
            EXPECT_TRUE(doc.Validate().Ok()) << file;
            EXPECT_EQ(doc.GetPatterns(0)[0]->GetCell(0).note, 60);
        }
    }
}

TEST(InstrumentExport, TheChipPlaysTheDocumentAsTheGamePlaysItsExport)
{
    TickDoc d(0, 30);
    ASSERT_TRUE(d.doc.SetInstruments(
        {MakeInstrument(1, "lead", {{V, {{0, 2, 4, 6, 8}, 1, 3}}, {A, {{0, 4, 7}, 0}}}),
         MakeInstrument(2, "snare", {{N, {{4, 6, 5}}}, {V, {{0, 3, 6, 9, 12, 15}}}})}));
    d.pattern->SetCell(0, With(ToneCell(60, 1), 1));
    d.pattern->SetCell(9, kOff);
    d.pattern->SetCell(20, With(ToneCell(64, 0), 1));
    Place(d.doc, 3, 4, 12)->SetCell(0, With(NoiseCell(2, NOISE_WHITE, 0), 2));
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/song.tks", d.doc.SaveToBytes());
    for (const char* args : {"D/song.tks D/song.agi", "--chip pcjr D/song.tks D/doc.wav",
                             "--chip pcjr D/song.agi D/game.wav"})
        ASSERT_EQ(RunConvert(InFolder(args, dir)).exitCode, 0) << args;
    const std::string played = ReadFileBytes(dir + "/doc.wav");
    EXPECT_EQ(played.size(), 44u + 2 * 30 * 735);
    EXPECT_NE(played.find_first_not_of('\0', 44), std::string::npos);
    EXPECT_TRUE(played == ReadFileBytes(dir + "/game.wav"));
}
