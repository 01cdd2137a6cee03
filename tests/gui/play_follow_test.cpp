// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "session/SoundSession.h"
#include "session/SoundUndo.h"
#include "session/SoundUndoCommands.h"
#include "sound/SoundDoc.h"
#include "views/FollowPlayback.h"
#include "views/SoundPatternView.h"

#include <QScrollBar>
#include <QtTest>

#include <functional>
#include <memory>

// The play range following the song through undoable edits, and the pattern editor
// following the playing row.
class PlayFollowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CSoundDoc> m_pDoc;
    std::unique_ptr<CSoundSession> m_pSession;
    std::unique_ptr<CSoundPatternView> m_pView;

    void Open()
    {
        m_pView.reset();
        m_pSession.reset();
        m_pDoc = std::make_unique<CSoundDoc>();
        QVERIFY(m_pDoc->OnNewDocument());
        m_pSession = std::make_unique<CSoundSession>(m_pDoc.get());
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        m_pView = std::make_unique<CSoundPatternView>(m_pSession.get());
    }
    PatternId First() const { return m_pDoc->GetPatterns(0)[0]->GetId(); }
    void Undo() { m_pSession->Undo().Stack().undo(); }

private slots:
    void cleanup()
    {
        m_pView.reset();
        m_pSession.reset();
        m_pDoc.reset();
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
        const EditorPosition at;
        CSoundSession& s = *m_pSession;
        if (setup == 1)
            SoundEdits::SetPlacement(s, at, "Set", {0, 3}, First());
        if (setup == 2)
            SoundEdits::ChangePattern(s, at, First(), "long", 40);
        QCOMPARE(m_pDoc->GetPlayRange(), (PlayRange{0, setup == 1 ? 64 : setup == 2 ? 40 : 16}));
        if (rangeEnd > 0)
            m_pDoc->SetPlayRange({0, rangeEnd});
        const PlayRange before = m_pDoc->GetPlayRange();
        const std::function<void()> edits[] = {
            [&] {
                SoundEdits::SetPlacement(s, at, "Set", {0, 2}, First());
            },
            [&] { SoundEdits::ChangePattern(s, at, First(), "long", 40); },
            [&] {
                SoundEdits::SetPlacement(s, at, "Clear", {0, 0}, 0);
            },
            [&] { SoundEdits::ChangePattern(s, at, First(), "short", 4); },
            [&] { SoundEdits::DeleteStep(s, at, 0, 2); },
            [&] {
                SoundEdits::SetPlayRange(s, at, {0, 8});
            },
        };
        edits[edit]();
        QCOMPARE(m_pDoc->GetPlayRange(), (PlayRange{0, expectedEnd}));
        Undo();
        QCOMPARE(m_pDoc->GetPlayRange(), before);
        m_pSession->Undo().Stack().redo();
        QCOMPARE(m_pDoc->GetPlayRange(), (PlayRange{0, expectedEnd}));
    }

    void patternEditorFollowsThePlayingRow()
    {
        Open();
        SoundEdits::ChangePattern(*m_pSession, {}, First(), "long", 200);
        m_pSession->SetPatternCursor({0, 5});
        m_pView->resize(300, 200);
        m_pView->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pView.get()));
        QScrollBar* pBar = m_pView->verticalScrollBar();
        QCOMPARE(pBar->value(), 0);
        const auto play = [&](int row, bool bPlaying)
        {
            if (bPlaying)
                m_pSession->OnPlayStarted(row);
            else
                m_pSession->OnStopped();
            m_pSession->OnRowPlayed(row);
        };
        const bool bWasOn = CFollowPlayback::Instance().IsOn();
        CFollowPlayback::Instance().Set(true);
        play(150, true);
        QCOMPARE(pBar->value(), 150);
        QVERIFY(m_pView->GetPlayLineY() >= 0);
        play(152, true); // still in view: the page stays put
        QCOMPARE(pBar->value(), 150);
        play(3, true); // the song wrapped round
        QCOMPARE(pBar->value(), 3);
        QCOMPARE(m_pSession->GetPatternCursor().row, 5);

        play(150, false); // stopped: no scrolling
        QCOMPARE(pBar->value(), 3);
        CFollowPlayback::Instance().Set(false);
        play(150, true);
        QCOMPARE(pBar->value(), 3);
        CFollowPlayback::Instance().Set(bWasOn);
    }
};

QTEST_MAIN(PlayFollowTest)
#include "play_follow_test.moc"
