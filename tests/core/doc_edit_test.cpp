// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundDoc.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
class CUpdateCounter : public IDocumentView
{
public:
    void OnUpdate(IDocumentView*, CObject*) override { ++m_nUpdates; }
    int m_nUpdates = 0;
};

SoundCell Note(int note)
{
    SoundCell cell = SoundCell::Empty();
    cell.note = static_cast<std::uint8_t>(note);
    return cell;
}

// Two patterns on channel 0 (ids a, b) placed at steps 0, 1 and 3; cells 0..3 numbered.
struct Fixture
{
    CSoundDoc doc;
    PatternId a = 0, b = 0;
    Fixture()
    {
        doc.OnNewDocument();
        a = doc.GetPatterns(0)[0]->GetId();
        b = doc.NewPattern(0, 4, "bass");
        doc.SetCells(a, 0, {Note(1), Note(2), Note(3), Note(4)});
        doc.SetPlacement({0, 1}, b);
        doc.SetPlacement({0, 3}, a);
        doc.SetModifiedFlag(false);
    }
};
} // namespace

// Every edit and the edit that takes it back: the document must return to the same bytes,
// and each call must mark it modified and repaint its views.
TEST(DocEdits, EachEditMarksNotifiesAndHasAnInverse)
{
    struct Case
    {
        const char* name;
        std::function<void(Fixture&)> edit;
        std::function<void(Fixture&)> inverse;
    };
    std::vector<SoundCell> saved;
    CSoundDoc::Placements placements;
    RemovedPattern removed;
    const Case cases[] = {
        {"cells",
         [](Fixture& f) {
             f.doc.SetCells(f.a, 2, {Note(9), Note(9), Note(9)});
         },
         [](Fixture& f) {
             f.doc.SetCells(f.a, 2, {Note(3), Note(4), SoundCell::Empty()});
         }},
        {"insert rows",
         [&](Fixture& f)
         {
             saved = f.doc.GetCells(f.a, 14, 2);
             f.doc.InsertRows(f.a, 1, 2);
         },
         [&](Fixture& f)
         {
             f.doc.DeleteRows(f.a, 1, 2);
             f.doc.SetCells(f.a, 14, saved);
         }},
        {"step",
         [&](Fixture& f)
         {
             placements = f.doc.GetPlacements(0);
             f.doc.DeleteStep(0, 1);
         },
         [&](Fixture& f) { f.doc.SetPlacements(0, placements); }},
        {"placement",
         [](Fixture& f) {
             f.doc.SetPlacement({0, 3}, 0);
         },
         [](Fixture& f) {
             f.doc.SetPlacement({0, 3}, f.a);
         }},
        {"remove pattern", [&](Fixture& f) { removed = f.doc.RemovePattern(f.b); },
         [&](Fixture& f) { f.doc.RestorePattern(removed); }},
        {"resize", [](Fixture& f) { f.doc.ResizePattern(f.b, 2); },
         [](Fixture& f) { f.doc.ResizePattern(f.b, 4); }},
        {"rename", [](Fixture& f) { f.doc.RenamePattern(f.b, "x"); },
         [](Fixture& f) { f.doc.RenamePattern(f.b, "bass"); }},
        {"properties",
         [](Fixture& f) {
             f.doc.SetProperties({90, 8, 3});
         },
         [](Fixture& f) {
             f.doc.SetProperties({125, 16, 4});
         }},
        {"range",
         [](Fixture& f) {
             f.doc.SetPlayRange({32, 64});
         },
         [](Fixture& f) {
             f.doc.SetPlayRange({0, 16});
         }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Fixture f;
        CUpdateCounter view;
        f.doc.AddView(&view);
        const std::string before = f.doc.SaveToBytes();
        c.edit(f);
        EXPECT_TRUE(f.doc.IsModified());
        EXPECT_GE(view.m_nUpdates, 1);
        EXPECT_NE(f.doc.SaveToBytes(), before);
        c.inverse(f);
        EXPECT_EQ(f.doc.SaveToBytes(), before);
        f.doc.RemoveView(&view);
    }
}

TEST(DocEdits, RemovedPatternComesBackAsTheSameObject)
{
    Fixture f;
    CSoundPattern* pB = f.doc.FindPattern(f.b);
    RemovedPattern removed = f.doc.RemovePattern(f.b);
    EXPECT_EQ(f.doc.FindPattern(f.b), nullptr);
    EXPECT_EQ(f.doc.GetPlacement({0, 1}), 0u);
    f.doc.RestorePattern(removed);
    EXPECT_EQ(f.doc.FindPattern(f.b), pB);
    EXPECT_EQ(f.doc.GetPlacement({0, 1}), f.b);
}
