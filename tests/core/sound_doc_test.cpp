// SPDX-License-Identifier: GPL-3.0-or-later
// The document's patterns, sequence and edits, the pattern block of the clipboard, and its MIDI
// file.
#include "AgiTestBytes.h"
#include "framework/Archive.h"
#include "sound/AgiResource.h"
#include "sound/MidiImport.h"
#include "sound/SoundDoc.h"
#include "support/EngineTimeline.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <type_traits>

namespace
{
class CUpdateCounter : public IDocumentView
{
public:
    void OnUpdate(IDocumentView*) override { ++m_nUpdates; }
    int m_nUpdates = 0;
};

std::vector<std::int32_t> Keys(const CSoundDoc& doc, int channel)
{
    std::vector<std::int32_t> keys;
    for (const auto& entry : doc.GetSequence(channel))
        keys.push_back(entry.first);
    return keys;
}

// The step operations written the plain way: one step at a time up to the last placement.
using Seq = std::map<std::int32_t, int>;
void ReferenceStep(Seq& seq, std::int64_t s, std::int64_t p, bool bInsert)
{
    std::int64_t last = 0;
    for (const auto& entry : seq)
        if (entry.first > 0 && entry.first % s == 0)
            last = entry.first;
    auto move = [&](std::int64_t to, std::int64_t from)
    {
        const auto it = seq.find(static_cast<std::int32_t>(from));
        if (it != seq.end())
            seq[static_cast<std::int32_t>(to)] = it->second;
        else
            seq.erase(static_cast<std::int32_t>(to));
    };
    std::int64_t k = bInsert ? last + s : p;
    for (; bInsert ? k > p : k < last + s; k += bInsert ? -s : s)
        move(k, bInsert ? k - s : k + s);
    seq.erase(static_cast<std::int32_t>(k));
}

bool Refused(const std::string& block)
{
    return !CSoundDoc::PatternFromGlobal(block).Error().empty();
}

std::unique_ptr<CSoundPattern> Read(const std::string& block)
{
    return CSoundDoc::PatternFromGlobal(block).Value();
}

// The events of each track in hex, checked against the header and the tracks' length fields.
std::vector<std::string> Tracks(const std::string& file)
{
    // Three tracks, or four with the drums; 28 ticks a quarter note.
    EXPECT_EQ(Hex(file.substr(0, 11)), "4D 54 68 64 00 00 00 06 00 01 00");
    EXPECT_EQ(Hex(file.substr(12, 2)), "00 1C");
    std::vector<std::string> tracks;
    std::size_t pos = 14;
    while (pos + 8 <= file.size())
    {
        EXPECT_EQ(file.substr(pos, 4), "MTrk");
        std::size_t length = 0;
        for (int i = 4; i < 8; ++i)
            length = length << 8 | static_cast<unsigned char>(file[pos + i]);
        tracks.push_back(Hex(file.substr(pos + 8, length)));
        pos += 8 + length;
    }
    EXPECT_EQ(pos, file.size());
    EXPECT_EQ(static_cast<unsigned char>(file[11]), tracks.size());
    return tracks;
}

} // namespace

// A const document hands out no pattern it could change through.
template <typename P> constexpr bool kReadOnly = std::is_const_v<std::remove_pointer_t<P>>;
constexpr const CSoundDoc* kDoc = nullptr;
static_assert(kReadOnly<decltype(kDoc->FindPattern(1))>);
static_assert(kReadOnly<decltype(kDoc->GetPatternAt({}))>);
static_assert(kReadOnly<decltype(kDoc->GetPatterns(0)[0])>);
static_assert(kReadOnly<decltype(*kDoc->GetPatterns(0).begin())>);
static_assert(kReadOnly<decltype(kDoc->GetSequence(0).begin()->second)>);

TEST(SoundDocPatterns, CreateAndCopyNameByTheNextNumber)
{
    CSoundDoc doc;
    doc.OnNewDocument();
    CSoundPattern* named = doc.CreatePattern(0, 4, "Intro bass");
    EXPECT_EQ(named->GetName(), "Intro bass");
    EXPECT_EQ(doc.CreatePattern(0, 0)->GetName(), "002"); // a given name still uses a number
    EXPECT_EQ(doc.CreatePattern(4, 1), nullptr);

    CSoundPattern* src = doc.GetPatterns(0)[0].get();
    src->SetCell(3, {61, 255, 0, 2});
    CSoundPattern* copy = doc.CopyPattern(0, src);
    EXPECT_EQ(copy->GetName(), "003 (000)");
    EXPECT_EQ(CSoundDoc::CopyPatternToGlobal(copy).substr(14),
              CSoundDoc::CopyPatternToGlobal(src).substr(8)); // same rows and cells
    EXPECT_EQ(doc.CopyPattern(0, nullptr), nullptr);
}

TEST(SoundDocPatterns, DeleteRemovesEveryPlacementAndTheCurrentPattern)
{
    CSoundDoc doc;
    CUpdateCounter view;
    doc.AddView(&view);
    // A new document tells the views of its one pattern and is not modified.
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(doc.IsModified());
    CSoundPattern* keep = doc.CreatePattern(1, 16);
    CSoundPattern* gone = doc.CreatePattern(1, 16);
    for (const auto& [songPos, pPattern] :
         std::map<std::int32_t, CSoundPattern*>{{0, gone}, {16, keep}, {32, gone}, {80, gone}})
        doc.PlacePattern(1, songPos, pPattern);
    doc.SetModifiedFlag(false);

    doc.DeletePattern(gone);
    EXPECT_EQ(Keys(doc, 1), (std::vector<std::int32_t>{16}));
    EXPECT_EQ(doc.GetPatterns(1).size(), 1u);
    EXPECT_EQ(doc.FindPatternChannel(keep), 1);
    EXPECT_EQ(doc.FindPatternChannel(gone), -1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.m_nUpdates, 2);

    // A pattern that no channel holds changes nothing.
    doc.SetModifiedFlag(false);
    CSoundPattern stranger(4);
    doc.DeletePattern(&stranger);
    doc.DeletePattern(nullptr);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(view.m_nUpdates, 2);
}

TEST(SoundDocSequence, SetPlacesOnlyPatternsOfTheChannel)
{
    CSoundDoc doc;
    CSoundPattern* noise = doc.CreatePattern(3, 16);
    CSoundPattern* voice = doc.CreatePattern(0, 16);
    doc.SetModifiedFlag(false);
    const SequencePos pos{3, 0x10002}; // only the low 16 bits of the step count
    doc.SetPatternAt(&pos, noise);
    EXPECT_EQ(Keys(doc, 3), (std::vector<std::int32_t>{32}));
    EXPECT_EQ(doc.GetPatternAt({3, 2}), noise);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.StepToSongPos(0xFFFF), -16);

    // A pattern of another channel, or of none, would dangle once deleted.
    doc.SetModifiedFlag(false);
    const SequencePos other{3, 1}, outside{4, 0}, at2{3, 2};
    CSoundPattern stranger(4);
    doc.SetPatternAt(&other, voice);
    doc.SetPatternAt(&other, &stranger);
    doc.SetPatternAt(&outside, voice);
    doc.SetPatternAt(nullptr, voice);
    EXPECT_EQ(Keys(doc, 3), (std::vector<std::int32_t>{32}));
    EXPECT_FALSE(doc.IsModified());
    doc.SetPatternAt(&at2, nullptr);
    EXPECT_TRUE(doc.GetSequence(3).empty());
}

TEST(SoundDocSequence, StepOperationsMatchTheStepByStepRule)
{
    std::mt19937 rng(20261206);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    CSoundDoc doc;
    std::vector<CSoundPattern*> patterns;
    for (int i = 0; i < 5; ++i)
        patterns.push_back(doc.CreatePattern(2, 4));
    for (int round = 0; round < 4000; ++round)
    {
        const std::int32_t s = pick(1, 8);
        doc.AssignProperties({doc.GetBeatsPerMinute(), s, doc.GetTracksPerBeat()});
        Seq ref, got;
        doc.SetPlacements(2, {});
        for (int i = pick(1, 6); i > 0; --i)
        {
            const std::int32_t key = pick(-20, 60);
            ref[key] = pick(0, 4);
            doc.PlacePattern(2, key, patterns[static_cast<std::size_t>(ref[key])]);
        }
        const std::int32_t p = pick(-24, 70);
        const bool bInsert = rng() % 2 == 0;
        ReferenceStep(ref, s, p, bInsert);
        bInsert ? doc.InsertSequenceStep(2, p) : doc.DeleteSequenceStep(2, p);
        for (const auto& [k, pat] : doc.GetSequence(2))
            got[k] = static_cast<int>(std::find(patterns.begin(), patterns.end(), pat) -
                                      patterns.begin());
        ASSERT_EQ(got, ref) << (bInsert ? "insert" : "delete") << " at " << p << " step " << s
                            << " round " << round;
    }
}

// The sorted array answers as the map it stands for, whatever order the edits come in.
TEST(SoundDocSequence, SequenceMapAnswersAsAMap)
{
    std::mt19937 rng(20261208);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::array<CSoundPattern, 3> patterns;
    CSequenceMap sequence;
    std::map<std::int32_t, const CSoundPattern*> model;
    for (int round = 0; round < 3000; ++round)
    {
        const std::int32_t pos = pick(-8, 40);
        const CSoundPattern* pPattern = &patterns[static_cast<std::size_t>(pick(0, 2))];
        switch (pick(0, 4))
        {
        case 0:
            sequence[pos] = model[pos] = pPattern;
            break;
        case 1:
            sequence.insert_or_assign(pos, pPattern);
            model.insert_or_assign(pos, pPattern);
            break;
        case 2:
            ASSERT_EQ(sequence.emplace(pos, pPattern).second, model.emplace(pos, pPattern).second);
            break;
        case 3:
            ASSERT_EQ(sequence.erase(pos), model.erase(pos));
            break;
        default:
            std::vector<CSequenceMap::value_type> entries;
            for (std::int32_t at = pos; at < pos + 16; at += pick(1, 4))
                entries.emplace_back(at, model[at] = pPattern);
            sequence.Merge(entries);
        }
        ASSERT_TRUE(std::equal(sequence.begin(), sequence.end(), model.begin(), model.end(),
                               [](const auto& a, const auto& b)
                               { return a.first == b.first && a.second == b.second; }));
        const std::int32_t probe = pick(-10, 42);
        ASSERT_EQ(sequence.lower_bound(probe) - sequence.begin(),
                  std::distance(model.begin(), model.lower_bound(probe)));
        ASSERT_EQ(sequence.upper_bound(probe) - sequence.begin(),
                  std::distance(model.begin(), model.upper_bound(probe)));
        ASSERT_EQ(sequence.count(probe), model.count(probe));
    }
}

TEST(PatternBlock, BytesOfNewAndEditedPatterns)
{
    CSoundDoc doc;
    CSoundPattern* p = doc.CreatePattern(0, 16);
    EXPECT_EQ(Hex(CSoundDoc::CopyPatternToGlobal(p)),
              "10 00 00 00 03 30 30 30" + Repeat(" FF FF FF 00", 16));

    // Cells travel as note, attenuation, frequency, noise type; any non-zero type is white.
    p->SetRows(2);
    p->SetName("n");
    p->SetCell(0, {60, 2, 7, 4});
    p->SetCell(1, {NOTE_OFF, FREQ_OFF, 0, 15});
    const std::string block = CSoundDoc::CopyPatternToGlobal(p);
    EXPECT_EQ(Hex(block), "02 00 00 00 01 6E 3C 04 02 01 76 0F F0 00");
    auto back = Read(block);
    EXPECT_EQ(Hex(CSoundDoc::CopyPatternToGlobal(back.get())), Hex(block));
    EXPECT_EQ(back->GetCell(0), (SoundCell{60, 2, 1, 4}));
}

TEST(PatternBlock, LongAndWideNames)
{
    CSoundPattern p(1);
    p.SetName(std::string(300, 'x'));
    const std::string block = CSoundDoc::CopyPatternToGlobal(&p);
    EXPECT_EQ(Hex(block.substr(4, 3)), "FF 2C 01");
    EXPECT_EQ(Read(block)->GetName(), std::string(300, 'x'));

    // A 16-bit-character name: FF FE FF, its length in characters, then UTF-16LE.
    auto wide =
        Read(Le32(1) + Bytes({0xFF, 0xFE, 0xFF, 3, 'B', 0, 0xE4, 0, 0xAC, 0x20, 60, 0, 255, 0}));
    EXPECT_EQ(wide->GetName(), "B\xC3\xA4\xE2\x82\xAC"); // "Bä€"
    EXPECT_EQ(wide->GetCell(0), (SoundCell{60, 255, 0, 0}));
}

TEST(PatternBlock, UntrustedBlocksAreRefused)
{
    const std::uint32_t kMax = CSoundPattern::kMaxRows;
    const std::string largest = Le32(kMax) + Bytes({0}) + std::string(4 * kMax, '\x05');
    EXPECT_EQ(Read(largest)->GetCell(kMax - 1), (SoundCell{5, 5, 1, 5}));
    // Row counts out of range, then name lengths beyond the data in each length form.
    for (const std::string& bad :
         {Le32(-1) + Bytes({0}), Le32(kMax + 1) + Bytes({0}), Le32(0x7FFFFFFF) + Bytes({0}),
          Le32(0) + Bytes({5, 'a', 'b'}), Le32(0) + Bytes({0xFF, 0x00, 0x10}) + "abc",
          Le32(0) + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}) + "abc",
          Le32(0) + Bytes({0xFF, 0xFE, 0xFF, 2, 'a', 0})})
        EXPECT_TRUE(Refused(bad)) << Hex(bad);

    CSoundPattern p(3);
    p.SetName("abc");
    const std::string block = CSoundDoc::CopyPatternToGlobal(&p);
    for (std::size_t n = 0; n < block.size(); ++n)
        EXPECT_TRUE(Refused(block.substr(0, n))) << "prefix of " << n << " bytes";
    EXPECT_FALSE(Refused(block));
}

TEST(PatternBlock, ExactDivisorsFollowTheCells)
{
    CSoundPattern p(2);
    p.SetCell(0, {66, 255, 0, 2, 288});
    const std::string block = CSoundDoc::CopyPatternToGlobal(&p);
    EXPECT_EQ(Hex(block), "02 00 00 00 00 42 02 FF 00 00 00 00 00 54 6B 44 76 20 01 FF FF");
    EXPECT_EQ(Read(block)->GetCell(0), p.GetCell(0));
    // Older versions stop before the section; a block without it has no divisors. A section
    // cut short, with a divisor beyond 1023, or with other bytes in its place is refused.
    EXPECT_FALSE(Read(block.substr(0, 13))->GetCell(0).HasDivisor());
    for (const std::string& bad :
         {block.substr(0, 20), block.substr(0, 17) + Bytes({0, 4, 255, 255}),
          block.substr(0, 13) + "TkDx0123"})
        EXPECT_TRUE(Refused(bad)) << Hex(bad);
}

TEST(PatternRows, ResizeKeepsRowsAndFillsNewOnesEmpty)
{
    CSoundPattern p(32);
    for (int r = 0; r < 32; ++r)
        p.SetCell(r, {static_cast<std::uint8_t>(r), 255, 0, 3});
    p.SetRows(16);
    EXPECT_EQ(p.GetCell(20), SoundCell{}); // outside reads as zeros
    p.SetRows(32);
    p.SetCell(32, {1, 1, 1, 1}); // outside: ignored
    p.SetCell(-1, {1, 1, 1, 1});
    EXPECT_EQ(p.GetRows(), 32);
    EXPECT_EQ(Hex(CSoundDoc::CopyPatternToGlobal(&p).substr(5 + 4 * 14)),
              "0E 03 FF 00 0F 03 FF 00" + Repeat(" FF FF FF 00", 16));
    // The held rows are counted through every change; a noise type alone holds nothing.
    p.SetCell(5, SoundCell::Empty());
    p.SetCell(6, {NOTE_EMPTY, FREQ_EMPTY, NOISE_WHITE, ATTEN_EMPTY});
    EXPECT_EQ(p.CountHeldRows(), 14);
    EXPECT_EQ(
        CSoundDoc::PatternFromGlobal(CSoundDoc::CopyPatternToGlobal(&p)).Value()->CountHeldRows(),
        14);
    // Beyond the rows a pattern keeps inside itself, and back.
    p.SetRows(1000);
    p.SetCell(999, {7, 7, 0, 7});
    EXPECT_EQ(p.GetCell(15), (SoundCell{15, 255, 0, 3}));
    EXPECT_EQ(p.CountHeldRows(), 15);
    p.SetRows(10);
    EXPECT_EQ(p.CountHeldRows(), 8);
    p.SetRows(1000);
    EXPECT_EQ(p.GetCell(9), (SoundCell{9, 255, 0, 3}));
    EXPECT_EQ(p.GetCell(10), SoundCell::Empty());
    EXPECT_EQ(p.GetCell(999), SoundCell::Empty());
}

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
    // 466667 µs a quarter note: a MIDI tick is a game tick.
    const std::string tempo = "00 FF 51 03 07 1E EB ";
    // The song, the voices' programs, the three tracks' events.
    const std::tuple<Setup, std::array<int, 3>, std::vector<std::string>> cases[] = {
        // A rest of 16 × 7 ticks is time passing before the track's end.
        {[](CSoundDoc&, CSoundPattern&) {},
         {0, 0, 0},
         {tempo + "00 C0 00 70 FF 2F 00", "00 C1 00 " + end, "00 C2 00 " + end}},
        {[](CSoundDoc&, CSoundPattern& p) { p.SetCell(0, ToneCell(60, 0)); },
         {0, 40, 127},
         {tempo + "00 C0 00 00 90 3C 64 70 80 3C 40 " + end, "00 C1 28 " + end, "00 C2 7F " + end}},
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
         {tempo +
              "00 C0 00 00 90 3C 64 0E 80 3C 40 00 90 3C 10 0E 80 3C 40 00 90 45 10 0E 80 45 40 "
              "1C 90 75 5E 2A 80 75 40 " +
              end,
          "00 C1 00 " + end, "00 C2 00 " + end}},
        // Voice1's pattern ends after one row; the noise channel plays as drums on channel
        // 10 (white noise at rate 1 is key 38); a program byte never reads as a status byte.
        {[&](CSoundDoc& doc, CSoundPattern& p)
         {
             oneRowPerTick(doc, 200);
             p.SetCell(0, ToneCell(60, 0));
             Place(doc, 1, 0, 1)->SetCell(0, ToneCell(72, 2));
             Place(doc, 3, 0, 1)->SetCell(0, NoiseCell(1, NOISE_WHITE, 0));
         },
         {0, 0, 200},
         {tempo + "00 C0 00 00 90 3C 64 81 48 80 3C 40 " + end,
          "00 C1 00 00 91 48 58 01 81 48 40 81 47 FF 2F 00", "00 C2 48 " + end,
          "00 C9 00 00 99 26 64 01 89 26 40 81 47 FF 2F 00"}},
        // The drums of white noise at rates 0 to 3, and of periodic noise at any rate.
        {[&](CSoundDoc& doc, CSoundPattern&)
         {
             oneRowPerTick(doc, 5);
             CSoundPattern* pNoise = Place(doc, 3, 0, 5);
             for (int rate = 0; rate < 4; ++rate)
                 pNoise->SetCell(rate, NoiseCell(rate, NOISE_WHITE, 0));
             pNoise->SetCell(4, NoiseCell(2, NOISE_PERIODIC, 5));
         },
         {0, 0, 0},
         {tempo + "00 C0 00 05 FF 2F 00", "00 C1 00 " + end, "00 C2 00 " + end,
          "00 C9 00 00 99 2A 64 01 89 2A 40 00 99 26 64 01 89 26 40 00 99 24 64 01 89 24 40 "
          "00 99 2E 64 01 89 2E 40 00 99 27 46 01 89 27 40 " +
              end}},
        // Long durations are written whole; beyond one delta an empty text event carries
        // the first 0x0FFFFFFF ticks of 600 rows of 470400, the note-off the other 13804545.
        {[&](CSoundDoc& doc, CSoundPattern& p)
         {
             oneRowPerTick(doc, 40000);
             p.SetCell(0, ToneCell(60, 0));
             Place(doc, 1, 0, 600)->SetCell(0, ToneCell(60, 0));
         },
         {0, 0, 0},
         {tempo + "00 C0 00 00 90 3C 64 82 B8 40 80 3C 40 " + end,
          "00 C1 00 00 91 3C 64 84 58 81 3C 40 82 B3 68 FF 2F 00", "00 C2 00 " + end}},
        {[&](CSoundDoc& doc, CSoundPattern& p)
         {
             doc.AssignProperties({1, doc.GetStepSize(), 1});
             p.SetRows(600);
             p.SetCell(0, ToneCell(60, 0));
             doc.AssignPlayRange({doc.GetPlayRange().start, 600});
         },
         {0, 0, 0},
         {tempo + "00 C0 00 00 90 3C 64 FF FF FF 7F FF 01 00 86 CA C8 01 80 3C 40 " + end,
          "00 C1 00 " + end, "00 C2 00 " + end}},
    };
    for (const auto& [setup, programs, expected] : cases)
    {
        NewDoc d;
        setup(d.doc, *d.doc.GetPatterns(0)[0]);
        EXPECT_EQ(Tracks(d.doc.BuildMIDIFile(programs, d.doc.GetPlayRange()).Value()), expected);
    }
}

TEST(MidiExport, ImportedAgainTheEnginePlaysTheSameTicks)
{
    NewDoc d;
    CSoundPattern& p = *d.doc.GetPatterns(0)[0];
    p.SetCell(0, ToneCell(60, 0));
    p.SetCell(3, ToneCell(NOTE_OFF, 0));
    p.SetCell(6, ToneCell(67, 4));
    p.SetCell(9, ToneCell(NOTE_EMPTY, 15));
    p.SetCell(11, ToneCell(64, 0));
    Place(d.doc, 1, 2, 8)->SetCell(0, ToneCell(48, 0));
    Place(d.doc, 2, 5, 2)->SetCell(1, ToneCell(72, 2));
    const std::string midi = d.doc.BuildMIDIFile({0, 0, 0}, d.doc.GetPlayRange()).Value();

    CSoundDoc again;
    ASSERT_TRUE(
        ImportMidi({midi.begin(), midi.end()}, MidiImportOptions::Mapped({1, 2, 3}, 0), again)
            .Ok());
    const auto timeline = [](const CSoundDoc& doc)
    {
        std::lock_guard lock(doc.Guard());
        const std::vector<std::uint8_t> agi = BuildAgiResource(doc, doc.GetPlayRange()).Value();
        // The notes and their ticks; velocities come back as the import's own levels.
        return std::regex_replace(EngineTimeline({agi.begin(), agi.end()}), std::regex("/[0-9]+"),
                                  "");
    };
    EXPECT_EQ(timeline(again), timeline(d.doc));
    EXPECT_EQ(timeline(d.doc), " 0:427 21:silent 42:285 63:silent 77:339 to 112\n"
                               " 0:silent 14:855 to 70\n 0:silent 42:213 to 49\n to 0\nend 112");
}
