// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "sound/SoundPattern.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QtTest>

namespace
{
constexpr int kPage = 10;
constexpr int kViewHeight = (kPage + 2) * CSoundBase::kRowHeight;
} // namespace

class SequenceViewTest : public CSoundViewTest
{
    Q_OBJECT

private:
    CSoundSequenceView* m_pView = nullptr;
    CSoundPatternView* m_pPatternView = nullptr;
    QLineEdit* m_pOther = nullptr;

    SequencePos Cursor() const { return m_pSession->GetSequenceCursor(); }
    void SetCursor(const SequencePos& pos) { m_pSession->SetSequenceCursor(pos); }
    void SetStep(int step) { SetCursor({Cursor().channel, step}); }
    void SetChannel(int channel) { SetCursor({channel, Cursor().step}); }
    CSoundPattern* At(int channel, int step) const
    {
        return CSoundViewTest::At(*m_pDoc, channel, step);
    }
    void Place(int channel, int step, CSoundPattern* pPattern)
    {
        CSoundViewTest::Place(*m_pDoc, channel, step, pPattern);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        CSoundViewTest::Key(m_pView, key, mods);
    }
    int LineY(int step) const { return 20 + 14 * (step - m_pView->verticalScrollBar()->value()); }
    bool Enabled(UINT nID) const
    {
        CCmdUI ui(nID);
        m_pView->OnCmdMsg(nID, &ui);
        return ui.m_bEnabled;
    }

private slots:
    void init()
    {
        QVERIFY(StartDocument());
        auto* pSplitter = new QSplitter;
        m_pView = new CSoundSequenceView(m_pSession.get());
        m_pPatternView = new CSoundPatternView(m_pSession.get());
        pSplitter->addWidget(m_pView);
        pSplitter->addWidget(m_pPatternView);
        pSplitter->setFixedHeight(kViewHeight);
        pSplitter->setSizes({340, 200});
        m_pOther = new QLineEdit;
        QVERIFY(ShowWindow(QBoxLayout::TopToBottom, {pSplitter, m_pOther},
                           QSize(560, kViewHeight + 40)));
        m_pView->setFocus();
        QVERIFY(m_pView->hasFocus() && m_pView->GetPage() == kPage);
    }

    void cleanup() { EndDocument(); }

    void enterOnAnEmptyCellCreatesPlacesAndOpens()
    {
        SetCursor(SequencePos{2, 3});
        m_dialogs.patternAnswers.push_back({24, "Bass"});
        Key(Qt::Key_Return);
        QVERIFY(m_dialogs.titles == std::vector<std::string>{"Create new pattern"} &&
                m_dialogs.offeredRows == std::vector<int>{16} &&
                m_dialogs.offeredNames == std::vector<std::string>{"000"});
        CSoundPattern* pNew = At(2, 3);
        QVERIFY(pNew != nullptr && pNew->GetName() == "Bass" && pNew->GetRows() == 24);
        QVERIFY(m_pSession->GetCurrentPattern() == pNew && m_pDoc->GetNextPatternNumber(2) == 1 &&
                m_pPatternView->hasFocus());

        // Enter in the pattern editor comes back; Tab goes there again.
        QTest::keyClick(m_pPatternView, Qt::Key_Return);
        QVERIFY(m_pView->hasFocus());
        Key(Qt::Key_Tab);
        QVERIFY(m_pPatternView->hasFocus());
        QTest::keyClick(m_pPatternView, Qt::Key_Tab);
        QVERIFY(m_pView->hasFocus());

        // Cancelled: nothing changes.
        SetCursor(SequencePos{1, 0});
        Key(Qt::Key_Return);
        QVERIFY(At(1, 0) == nullptr && m_pDoc->GetPatterns(1).empty());
        QVERIFY(m_pView->hasFocus() && m_pSession->GetCurrentPattern() == pNew);
    }

    void patternKeysAndPeriod()
    {
        for (int i = 0; i < 40; ++i)
            m_pDoc->CreatePattern(3, 4);
        SetCursor(SequencePos{3, 0});
        Key(Qt::Key_B, Qt::ShiftModifier);
        Key(Qt::Key_B);
        Key(Qt::Key_7);
        for (int step = 0; const int index : {37, 11, 7})
            QCOMPARE(At(3, step++), m_pDoc->GetPatterns(3)[index].get());
        QCOMPARE(Cursor().step, 3);

        // An index beyond the list, or a key with Alt (the menus'), changes nothing.
        Key(Qt::Key_Z, Qt::ShiftModifier);
        Key(Qt::Key_B, Qt::AltModifier);
        Key(Qt::Key_7, Qt::AltModifier);
        QVERIFY(At(3, 3) == nullptr && Cursor().step == 3);

        // "." clears and moves down, also over an empty cell.
        SetStep(1);
        Key(Qt::Key_Period);
        QVERIFY(At(3, 1) == nullptr && Cursor().step == 2);
        SetStep(10);
        m_pDoc->SetModifiedFlag(false);
        Key(Qt::Key_Period);
        QVERIFY(Cursor().step == 11 && m_pDoc->IsModified());
    }

    void clicksAndDoubleClicks()
    {
        CSoundPattern* pPattern = m_pDoc->GetPatterns(0)[0].get();
        QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {},
                          QPoint(56 + 64 * 2 + 5, LineY(4) + 3));
        // Outside the grid: nothing.
        QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {}, QPoint(20, LineY(1) + 3));
        QCOMPARE(Cursor(), (SequencePos{2, 4}));
        QTest::mouseDClick(m_pView->viewport(), Qt::LeftButton, {}, QPoint(60, LineY(0) + 3));
        QCOMPARE(Cursor(), (SequencePos{0, 0}));
        QVERIFY(m_pSession->GetCurrentPattern() == pPattern && m_pPatternView->hasFocus());
    }

    void patternEditorCommandOnAnEmptyCell()
    {
        SetCursor(SequencePos{1, 0});
        QVERIFY(Enabled(ID_VIEW_PATTERN_EDITOR) && !Enabled(ID_VIEW_SEQUENCE_EDITOR));
        QVERIFY(!Enabled(ID_EDIT_DELETE) && !Enabled(ID_PATTERN_PROPERTIES));
        m_pView->OnCommand(ID_VIEW_PATTERN_EDITOR);
        QCOMPARE(m_messages.texts,
                 std::vector<std::string>{"You do not have any pattern to view!\n\nHere, it "
                                          "would be wise to help the user add one.."});
        QVERIFY(m_pView->hasFocus() && m_pSession->GetCurrentPattern() == nullptr);

        SetCursor(SequencePos{0, 0});
        QVERIFY(Enabled(ID_EDIT_DELETE) && Enabled(ID_PATTERN_PROPERTIES));
        m_pView->OnCommand(ID_VIEW_PATTERN_EDITOR);
        QVERIFY(m_pSession->GetCurrentPattern() == m_pDoc->GetPatterns(0)[0].get() &&
                m_pPatternView->hasFocus());
    }

    void playRangeCommands()
    {
        SetCursor(SequencePos{0, 0});
        m_pDoc->AssignPlayRange({m_pDoc->GetPlayRange().start, 48});
        m_pView->OnCommand(ID_RANGE_END);
        QCOMPARE(std::pair(m_pDoc->GetPlayRange().start, m_pDoc->GetPlayRange().end),
                 std::pair(0, 16));

        SetStep(3);
        m_pView->OnCommand(ID_RANGE_START);
        QCOMPARE(std::pair(m_pDoc->GetPlayRange().start, m_pDoc->GetPlayRange().end),
                 std::pair(48, 64));

        // An end at or before the start pulls the start one step before it; a paused
        // playback resumes inside it.
        m_pSession->OnPlayStarted(50);
        m_pSession->OnPaused();
        SetStep(2);
        m_pView->OnCommand(ID_RANGE_END);
        QCOMPARE(std::pair(m_pDoc->GetPlayRange().start, m_pDoc->GetPlayRange().end),
                 std::pair(16, 32));
        QVERIFY(m_pSession->GetResumeRow() == 31 && m_pDoc->IsModified());
        m_pSession->OnStopped();
        QCOMPARE(m_pSession->GetResumeRow(), 16);
    }

    void rowReportsMoveBothMarkers()
    {
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        m_pDoc->AssignPlayRange({m_pDoc->GetPlayRange().start, 31});
        m_pView->OnCommand(ID_SOUND_PLAY);
        for (int i = 0; i < 5; ++i)
            ApplyRowReport(*m_pSession);
        QCOMPARE(m_pPatternView->GetPlayLineY(), 20 + 14 * 5);
        for (int i = 0; i < 15; ++i)
            ApplyRowReport(*m_pSession);
        // 20 rows at 16 rows per line: a fraction of the way into line 1. Row 20 is past the
        // 16-row pattern placed at 0, still counted from its placement.
        QVERIFY(m_pSession->GetPlayRow() == 20 &&
                m_pView->GetPlayLineY() == int(20 / 16.0 * 14.0 + 20.0));
        QVERIFY(m_pPatternView->GetPlayLineY() == -1 &&
                m_pView->GetPatternOffset(20, m_pSession->GetCurrentPattern()) == 20);

        // Stop takes the marker away in both editors.
        m_pSession->SetPlayRow(3);
        m_pPatternView->DrawPlayPosition();
        QCOMPARE(m_pPatternView->GetPlayLineY(), 20 + 14 * 3);
        QTest::qWait(50); // the marker is drawn
        m_pView->OnCommand(ID_SOUND_STOP);
        QTRY_COMPARE(m_pView->GetPlayLineY(), -1);
        QTRY_COMPARE(m_pPatternView->GetPlayLineY(), -1);
    }
};

QTEST_MAIN(SequenceViewTest)
#include "sequence_view_test.moc"
