// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "app/EditCommands.h"
#include "session/SoundUndo.h"
#include "session/SoundUndoCommands.h"
#include "views/FollowPlayback.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

#include <QScrollBar>
#include <functional>

// Edits taken back and made again, and the play range and pattern editor following them.
class UndoTest : public CSoundViewTest
{
    Q_OBJECT

private:
    CSoundSequenceView* m_pSequence = nullptr;
    CSoundPatternView* m_pPattern = nullptr;

    void Open(bool bStartModified = false)
    {
        EndDocument(); // the views refer to the session and the document
        QVERIFY(StartDocument());
        m_pDoc->CreatePattern(0, 8, "second");
        m_pDoc->SetModifiedFlag(bStartModified);
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        m_pSequence = new CSoundSequenceView(m_pSession.get());
        m_pPattern = new CSoundPatternView(m_pSession.get());
        QVERIFY(ShowWindow(QBoxLayout::LeftToRight, {m_pSequence, m_pPattern}, QSize(600, 300)));
        // Every step made, taken back or made again leaves a document that keeps its promises.
        connect(&Stack(), &QUndoStack::indexChanged, this,
                [this]
                {
                    const Status valid = m_pDoc->Validate();
                    QVERIFY2(valid.Ok(), valid.Error().c_str());
                });
    }
    void Key(QWidget* pView, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        pView->setFocus();
        CSoundViewTest::Key(pView, key, mods);
    }
    QUndoStack& Stack() { return m_pSession->Undo().Stack(); }
    PatternId First() const { return m_pDoc->GetPatterns(0)[0]->GetId(); }
    void Undo() { m_pPattern->OnEditUndo(); }
    void Redo() { m_pPattern->OnEditRedo(); }
    std::string UndoText()
    {
        const CommandState state = CEditCommands::UndoState(Stack());
        return state.bEnabled ? state.text.toStdString() : "disabled";
    }

private slots:
    void cleanup() { EndDocument(); }

    // Each kind of edit made with the editors' own keys and commands: undo restores the
    // document and returns to the editor and cursor that made it; redo makes it again.
    void eachEditUndoesAndRedoes_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("text");
        // Each names the edit and where it was made.
        const char* names[][2] = {
            {"Typing", "Typing C-5 at Voice0 row 3"},
            {"Insert Row", "Insert Row at Voice0 row 3"},
            {"Delete Row", "Delete Row at Voice0 row 3"},
            {"Set Pattern", "Set Pattern second at Voice0 step 32"}, // as the editor numbers it
            {"Clear Step", "Clear Step at Voice0 step 0"},
            {"Insert Step", "Insert Step at Voice0 step 0"},
            {"Delete Step", "Delete Step at Voice0 step 0"},
            {"Play Range", "Play Range 0–64"},
            {"Properties", "Properties: 100 BPM, step size 8, 2 rows per beat"},
            {"New Pattern", "New Pattern new on Voice0"},
            {"Pattern Properties", "Pattern Properties 000 on Voice0"}};
        for (int i = 0; i < 11; ++i)
            QTest::newRow(names[i][0]) << i << QString::fromUtf8(names[i][1]);
    }
    void eachEditUndoesAndRedoes()
    {
        QFETCH(int, edit);
        QFETCH(QString, text);
        Open();
        m_pSession->SetPatternCursor({0, 3});
        m_pSession->SetSequenceCursor({0, edit == 7 ? 3 : edit == 9 || edit == 3 ? 2 : 0});
        m_pSession->GetCurrentPattern()->SetCell(15, {40, 255, 0, 3});
        const std::function<void()> edits[] = {
            [&] { Key(m_pPattern, Qt::Key_Q); },
            [&] { Key(m_pPattern, Qt::Key_Insert); },
            [&] { Key(m_pPattern, Qt::Key_Delete); },
            [&] { Key(m_pSequence, Qt::Key_1); },
            [&] { Key(m_pSequence, Qt::Key_Period); },
            [&] { Key(m_pSequence, Qt::Key_Insert); },
            [&] { Key(m_pSequence, Qt::Key_Delete); },
            [&] { m_pSequence->OnSetEndPosition(); },
            [&]
            {
                m_dialogs.propertiesAnswer = {100, 8, 2};
                m_pSequence->OnProperties();
            },
            [&]
            {
                m_dialogs.patternAnswers.push_back({4, "new"});
                m_pSequence->OnNewPattern();
            },
            [&]
            {
                m_dialogs.patternAnswers.push_back({4, "short"});
                m_pSequence->OnPatternProperties();
            },
        };
        const bool bPatternEditor = edit < 3;
        QWidget* pEditor = bPatternEditor ? static_cast<QWidget*>(m_pPattern) : m_pSequence;
        pEditor->setFocus();
        const std::string before = m_pDoc->SaveToBytes();
        const PatternCursor cursor = m_pSession->GetPatternCursor();
        const SequencePos step = m_pSession->GetSequenceCursor();

        edits[edit]();
        const std::string after = m_pDoc->SaveToBytes();
        QVERIFY(after != before && m_pDoc->IsModified());
        QCOMPARE(QString::fromStdString(UndoText()), "&Undo " + text + "\tCtrl+Z");

        // Somewhere else entirely, then undo.
        m_pSession->SetPatternCursor({2, 0});
        m_pSession->SetSequenceCursor({3, 9});
        m_pWindow->setFocus();
        Undo();
        QVERIFY(m_pDoc->SaveToBytes() == before && !m_pDoc->IsModified());
        QVERIFY(pEditor->hasFocus());
        if (bPatternEditor)
            QVERIFY(m_pSession->GetPatternCursor().row == cursor.row &&
                    m_pSession->GetPatternCursor().field == cursor.field);
        else
            QVERIFY(m_pSession->GetSequenceCursor() == step);
        QCOMPARE(UndoText(), std::string("disabled"));

        Redo();
        QVERIFY(m_pDoc->SaveToBytes() == after && m_pDoc->IsModified());
    }

    void modifiedFlagFollowsTheSavedState()
    {
        Open();
        Key(m_pPattern, Qt::Key_Q);
        Key(m_pPattern, Qt::Key_W);
        m_pDoc->SetModifiedFlag(false); // saved here
        Undo();
        QVERIFY(m_pDoc->IsModified());
        Redo();
        QVERIFY(!m_pDoc->IsModified());
        Undo();
        Undo();
        QVERIFY(m_pDoc->IsModified());

        // An imported document was never saved: undoing everything leaves it modified.
        Open(true);
        Key(m_pPattern, Qt::Key_Q);
        Undo();
        QVERIFY(m_pDoc->IsModified());
    }

    void oldestStepsGoPastTheBudget()
    {
        Open();
        // Room for a few steps only: the oldest go, the newest still undo.
        m_pSession->Undo().SetBudget(3 * (sizeof(CSoundEditCommand) + 300));
        for (int i = 0; i < 8; ++i)
            Key(m_pPattern, Qt::Key_Q);
        QVERIFY(Stack().count() >= 2 && Stack().count() <= 3);
        while (Stack().canUndo())
            Undo();
        QCOMPARE(m_pSession->GetCurrentPattern()->GetCell(7).note, NOTE_EMPTY);
        QCOMPARE(m_pSession->GetCurrentPattern()->GetCell(0).note, 60); // older than the history
        QVERIFY(m_pDoc->IsModified());
    }

    // The current pattern is known by identity: a removed one stops being current and is
    // current again when it is put back.
    void currentPatternFollowsRemovalAndRestore()
    {
        Open();
        CSoundPattern* pFirst = m_pSession->GetCurrentPattern();
        QVERIFY(pFirst != nullptr);
        RemovedPattern removed = m_pDoc->RemovePattern(pFirst->GetId());
        QVERIFY(m_pSession->GetCurrentPattern() == nullptr);
        m_pDoc->RestorePattern(removed);
        QVERIFY(m_pSession->GetCurrentPattern() == pFirst);
    }

    void rangeFollowsTheWholeSong_data()
    {
        QTest::addColumn<int>("setup");
        QTest::addColumn<int>("rangeEnd"); // set before the edit; 0 leaves it
        QTest::addColumn<int>("edit");
        QTest::addColumn<int>("expectedEnd");
        // The new document: one 16-row pattern at step 0, steps of 16 rows, range 0-16.
        // Set-up 1 places it at step 3 too (0-64), set-up 2 makes it 40 rows (0-40).
        QTest::newRow("a placement past the end grows it") << 0 << 0 << 0 << 48;
        QTest::newRow("a narrowed range stays") << 0 << 8 << 0 << 8;
        QTest::newRow("a longer pattern grows it") << 0 << 0 << 1 << 40;
        QTest::newRow("a range past the song's end stays") << 0 << 20 << 1 << 20;
        QTest::newRow("a shorter pattern shrinks it") << 1 << 0 << 3 << 52;
        QTest::newRow("never below the new document's") << 2 << 0 << 3 << 16;
        QTest::newRow("an emptied song") << 2 << 0 << 2 << 16;
        QTest::newRow("a deleted step") << 1 << 0 << 4 << 48;
        QTest::newRow("the range's own edit wins") << 0 << 0 << 5 << 8;
    }
    void rangeFollowsTheWholeSong()
    {
        QFETCH(int, setup);
        QFETCH(int, rangeEnd);
        QFETCH(int, edit);
        QFETCH(int, expectedEnd);
        Open();
        using namespace SoundEdits;
        const EditorPosition at;
        CSoundSession& s = *m_pSession;
        if (setup == 1)
            SetPlacement(s, at, "Set", {0, 3}, First());
        if (setup == 2)
            ChangePattern(s, at, First(), "long", 40);
        QCOMPARE(m_pDoc->GetPlayRange(), (PlayRange{0, setup == 1 ? 64 : setup == 2 ? 40 : 16}));
        if (rangeEnd > 0)
            m_pDoc->SetPlayRange({0, rangeEnd});
        const PlayRange before = m_pDoc->GetPlayRange();
        const SequencePos step0{0, 0}, step2{0, 2};
        const PlayRange range{0, 8};
        const std::function<void()> edits[] = {
            [&] { SetPlacement(s, at, "Set", step2, First()); },
            [&] { ChangePattern(s, at, First(), "long", 40); },
            [&] { SetPlacement(s, at, "Clear", step0, 0); },
            [&] { ChangePattern(s, at, First(), "short", 4); },
            [&] { DeleteStep(s, at, 0, 2); },
            [&] { SetPlayRange(s, at, range); },
        };
        edits[edit]();
        QCOMPARE(m_pDoc->GetPlayRange(), (PlayRange{0, expectedEnd}));
        Stack().undo();
        QCOMPARE(m_pDoc->GetPlayRange(), before);
        Stack().redo();
        QCOMPARE(m_pDoc->GetPlayRange(), (PlayRange{0, expectedEnd}));
    }

    void patternEditorFollowsThePlayingRow()
    {
        Open();
        SoundEdits::ChangePattern(*m_pSession, {}, First(), "long", 200);
        m_pSession->SetPatternCursor({0, 5});
        QScrollBar* pBar = m_pPattern->verticalScrollBar();
        QCOMPARE(pBar->value(), 0);
        const bool bWasOn = CFollowPlayback::Instance().IsOn();
        // The row reported, whether playing, whether following; the row the page then starts at.
        const std::tuple<int, bool, bool, int> reports[] = {
            {150, true, true, 150},
            {152, true, true, 150}, // still in view: the page stays put
            {3, true, true, 3},     // the song wrapped round
            {150, false, true, 3},  // stopped: no scrolling
            {150, true, false, 3}};
        for (const auto& [row, bPlaying, bFollow, top] : reports)
        {
            CFollowPlayback::Instance().Set(bFollow);
            if (bPlaying)
                m_pSession->OnPlayStarted(row);
            else
                m_pSession->OnStopped();
            m_pSession->OnRowPlayed(row);
            QCOMPARE(pBar->value(), top);
            if (row == top)
                QVERIFY(m_pPattern->GetPlayLineY() >= 0);
        }
        QCOMPARE(m_pSession->GetPatternCursor().row, 5);
        CFollowPlayback::Instance().Set(bWasOn);
    }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
