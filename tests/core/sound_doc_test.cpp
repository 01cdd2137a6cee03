// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundDoc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace
{
class CHintRecorder : public IDocumentView
{
public:
    void OnUpdate(IDocumentView*, CObject* pHint) override { m_hints.push_back(pHint); }
    std::vector<CObject*> m_hints;
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
} // namespace

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

    // A pasted block keeps its name and leaves the numbers alone.
    CSoundPattern* pasted =
        doc.AddPattern(2, CSoundDoc::PatternFromGlobal(CSoundDoc::CopyPatternToGlobal(named)));
    EXPECT_EQ(pasted->GetName(), "Intro bass");
    EXPECT_EQ(doc.FindPatternChannel(pasted), 2);
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(doc.GetNextPatternNumber(c), c == 0 ? 4 : 0);
}

TEST(SoundDocPatterns, DeleteRemovesEveryPlacementAndTheCurrentPattern)
{
    CSoundDoc doc;
    CHintRecorder view;
    doc.AddView(&view);
    // A new document tells the views of its one pattern and is not modified.
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(doc.IsModified());
    CObject* pFirst = doc.GetPatterns(0).at(0).get();
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
    EXPECT_EQ(view.m_hints, (std::vector<CObject*>{pFirst, nullptr}));

    // A pattern that no channel holds changes nothing.
    doc.SetModifiedFlag(false);
    CSoundPattern stranger(4);
    doc.DeletePattern(&stranger);
    doc.DeletePattern(nullptr);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(view.m_hints.size(), 2u);
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
