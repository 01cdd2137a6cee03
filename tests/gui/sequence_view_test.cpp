// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "sound/SoundPattern.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSplitter>

namespace
{
constexpr int kPage = 10;
constexpr int kViewHeight = (kPage + 2) * CSoundBase::kRowHeight;
const std::string kInvalid = "The data on the clipboard is not a valid pattern.";

QMimeData* BlockData(const std::string& block)
{
    auto* pData = new QMimeData;
    pData->setData(CSoundDoc::kPatternMimeType,
                   QByteArray(block.data(), static_cast<qsizetype>(block.size())));
    return pData;
}

std::string Le32(std::uint32_t v)
{
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}
} // namespace

class SequenceViewTest : public CSoundViewTest
{
    Q_OBJECT

private:
    CSoundSequenceView* m_pView = nullptr;
    CSoundPatternView* m_pPatternView = nullptr;
    QLineEdit* m_pOther = nullptr;
    // Another document's sequence, for the drags from one to the other.
    std::unique_ptr<CSoundDoc> m_pOtherDoc;
    std::unique_ptr<CSoundSession> m_pOtherSession;
    CSoundSequenceView* m_pOtherView = nullptr;
    CSoundPattern* m_pMelody = nullptr;

    SequencePos Cursor() const { return m_pSession->GetSequenceCursor(); }
    void SetCursor(const SequencePos& pos) { m_pSession->SetSequenceCursor(pos); }
    void SetStep(int step) { SetCursor({Cursor().channel, step}); }
    CSoundPattern* At(int channel, int step) const
    {
        return m_pDoc->GetPatternAt(SequencePos{channel, step});
    }
    void Place(int channel, int step, CSoundPattern* pPattern)
    {
        const SequencePos pos{channel, step};
        m_pDoc->SetPatternAt(&pos, pPattern);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        CSoundViewTest::Key(m_pView, key, mods);
    }
    int LineY(int step) const { return 20 + 14 * (step - m_pView->verticalScrollBar()->value()); }
    std::size_t Count(int channel) const { return m_pDoc->GetPatterns(channel).size(); }
    // A 20-row pattern at step 1 of voice 0, the document then unmodified.
    void PlaceMelody()
    {
        m_pMelody = m_pDoc->CreatePattern(0, 20, "Melody");
        m_pMelody->SetCell(0, SoundCell{60, 255, 0, 3});
        m_pMelody->SetCell(19, SoundCell{118, 255, 0, 255});
        Place(0, 1, m_pMelody);
        m_pDoc->SetModifiedFlag(false);
    }

    // One drag event at point; returns the action it was taken with. Move and drop events
    // go where the last enter event was taken.
    template <typename Event>
    static Qt::DropAction Send(CSoundSequenceView* pView, const QMimeData* pData,
                               const QPoint& point, Qt::KeyboardModifiers keys = {})
    {
        Event event(point, Qt::CopyAction | Qt::MoveAction, pData, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(pView->viewport(), &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    }
    static Qt::DropAction DropOn(CSoundSequenceView* pView, const QMimeData* pData,
                                 const QPoint& point, Qt::KeyboardModifiers keys = {})
    {
        Send<QDragEnterEvent>(pView, pData, point, keys);
        Send<QDragMoveEvent>(pView, pData, point, keys);
        return Send<QDropEvent>(pView, pData, point, keys);
    }

    // A drag of a cell onto a cell of pTarget, the platform's loop replaced by the events it
    // would deliver. Returns the action the source saw.
    Qt::DropAction Drag(SequencePos from, SequencePos to, Qt::KeyboardModifiers keys = {},
                        CSoundSequenceView* pTarget = nullptr)
    {
        pTarget = pTarget != nullptr ? pTarget : m_pView;
        std::unique_ptr<QMimeData> pData = m_pView->BeginDrag(from);
        const Qt::DropAction result =
            DropOn(pTarget, pData.get(), pTarget->GetCellRect(to.channel, to.step).center(), keys);
        m_pView->EndDrag(result);
        return result;
    }

private slots:
    void init()
    {
        QVERIFY(StartDocument());
        auto* pSplitter = new QSplitter;
        m_pOther = new QLineEdit;
        m_pView = new CSoundSequenceView(m_pSession.get());
        m_pPatternView = new CSoundPatternView(m_pSession.get());
        pSplitter->addWidget(m_pView);
        pSplitter->addWidget(m_pPatternView);
        pSplitter->setFixedHeight(kViewHeight);
        pSplitter->setSizes({340, 200});
        m_pOtherDoc = std::make_unique<CSoundDoc>();
        QVERIFY(m_pOtherDoc->OnNewDocument());
        m_pOtherSession = MakeSession(m_pOtherDoc.get());
        m_pOtherView = new CSoundSequenceView(m_pOtherSession.get());
        m_pOtherView->setFixedSize(340, kViewHeight);
        QVERIFY(ShowWindow(QBoxLayout::TopToBottom, {pSplitter, m_pOtherView, m_pOther},
                           QSize(560, 2 * kViewHeight + 60)));
        m_pView->setFocus();
        QVERIFY(m_pView->hasFocus() && m_pView->GetPage() == kPage);
        QGuiApplication::clipboard()->clear();
    }

    void cleanup()
    {
        EndDocument();
        m_pOtherSession.reset();
        m_pOtherDoc.reset();
    }

    void enterOnAnEmptyCellCreatesPlacesAndOpens()
    {
        SetCursor(SequencePos{2, 3});
        m_dialogs.patternAnswers.push_back({24, "Bass"});
        Key(Qt::Key_Return);
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

    // Pattern ▸ New… and Properties… of either editor; no two patterns of a channel alike.
    void patternsMadeAndNamed()
    {
        PlaceMelody();
        m_pSession->SetCurrentPattern(m_pMelody);
        m_dialogs.patternAnswers = {{24, "Lead"}, {8, "Lead"}, {16, "Bridge"}, {16, "000"}};
        m_pPatternView->OnPatternProperties();
        QVERIFY(m_pMelody->GetName() == "Lead" && m_pMelody->GetRows() == 24);
        // A new one is shown at once, and where the sequence editor places it.
        m_pSession->SetPatternCursor({2, 9});
        m_pPatternView->OnNewPattern();
        CSoundPattern* pNew = m_pSession->GetCurrentPattern();
        QVERIFY(pNew->GetName() == "002 (Lead)" && m_pSession->GetPatternCursor().row == 0);
        QCOMPARE(m_host.status, std::string("002 (Lead) is not placed yet: 2 in the sequence "
                                            "editor places it"));
        Key(Qt::Key_2);
        SetStep(0);
        m_pView->OnPatternProperties();
        m_pView->OnPatternProperties();
        QVERIFY(At(0, 0) == pNew && pNew->GetName() == "003 (000)" && Count(0) == 3);
        CSoundPattern pattern(1);
        for (const auto& [name, cell] : {std::pair("Melody7", "Melody7"), {"Harmony8", "Harmon>"}})
        {
            pattern.SetName(name);
            QCOMPARE(CSoundSequenceView::CellText(&pattern), std::string(cell));
        }
    }

    // The editor that has the keyboard shows it in its header and cursor; note keys typed
    // in the sequence editor are explained once.
    void theKeyboardsEditorIsPlainToSee()
    {
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        // The header's corner, then beside the cursor cell's text or in the cursor
        // character's corner.
        const auto pixels = [](CSoundBase* pView, QPoint cursor)
        {
            const QImage picture = pView->viewport()->grab().toImage();
            return std::pair(picture.pixelColor(2, 2), picture.pixelColor(cursor));
        };
        for (const auto& [pView, pOther, cursor] :
             {std::tuple<CSoundBase*, CSoundBase*, QPoint>(m_pView, m_pPatternView, {90, 22}),
              {m_pPatternView, m_pView, {71, 32}}})
        {
            pView->setFocus();
            const auto focused = pixels(pView, cursor);
            pOther->setFocus();
            QCOMPARE(pixels(pView, cursor), std::pair(pView->m_crBack, pView->m_crCursor));
            QVERIFY(focused.first != pView->m_crBack && focused.second != pView->m_crCursor);
        }
        for (const int key : {Qt::Key_1, Qt::Key_Z, Qt::Key_Period, Qt::Key_X})
            Key(key);
        QCOMPARE(m_host.status, GetPromptText(IDS_SEQUENCE_NOTEKEYS));
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

    void playRangeCommands()
    {
        // The end takes in the step under the cursor.
        SetCursor(SequencePos{0, 0});
        m_pDoc->AssignPlayRange({m_pDoc->GetPlayRange().start, 48});
        m_pView->OnSetEndPosition();
        QCOMPARE(std::pair(m_pDoc->GetPlayRange().start, m_pDoc->GetPlayRange().end),
                 std::pair(0, 16));

        SetStep(3);
        m_pView->OnSetStartPosition();
        QCOMPARE(std::pair(m_pDoc->GetPlayRange().start, m_pDoc->GetPlayRange().end),
                 std::pair(48, 64));

        // An end before the start pulls the start to its step; a paused playback resumes
        // inside the range.
        m_pSession->OnPlayStarted(50);
        m_pSession->OnPaused();
        SetStep(2);
        m_pView->OnSetEndPosition();
        QCOMPARE(std::pair(m_pDoc->GetPlayRange().start, m_pDoc->GetPlayRange().end),
                 std::pair(32, 48));
        QVERIFY(m_pSession->GetResumeRow() == 47 && m_pDoc->IsModified());
        m_pSession->OnStopped();
        QCOMPARE(m_pSession->GetResumeRow(), 32);

        // Whole Song, from either editor.
        Place(1, 5, m_pDoc->CreatePattern(1, 16));
        m_pPatternView->OnWholeSongRange();
        QCOMPARE(std::pair(m_pDoc->GetPlayRange().start, m_pDoc->GetPlayRange().end),
                 std::pair(0, 96));
    }

    void rowReportsMoveBothMarkers()
    {
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        m_pDoc->AssignPlayRange({m_pDoc->GetPlayRange().start, 31});
        m_pView->OnPlay();
        for (int i = 0; i < 5; ++i)
            m_pSession->OnRowPlayed(m_pSession->GetPlayRow() + 1);
        QCOMPARE(m_pPatternView->GetPlayLineY(), 20 + 14 * 5);
        for (int i = 0; i < 15; ++i)
            m_pSession->OnRowPlayed(m_pSession->GetPlayRow() + 1);
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
        m_pView->OnStop();
        QTRY_COMPARE(m_pView->GetPlayLineY(), -1);
        QTRY_COMPARE(m_pPatternView->GetPlayLineY(), -1);
    }

    // Rows reported faster than the marker is drawn: its last place is drawn all the same.
    void aMarkerMovedWithinAFrameIsDrawnAfterIt()
    {
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        m_pView->OnPlay();
        QTest::qWait(50); // the playing picture is drawn
        CPaintedRegion painted(*m_pPatternView->viewport());
        for (int i = 0; i < 5; ++i)
            m_pSession->OnRowPlayed(m_pSession->GetPlayRow() + 1);
        QCOMPARE(m_pPatternView->GetPlayLineY(), 20 + 14 * 5);
        QTRY_VERIFY(painted.m_region.contains(QRect(0, 20 + 14 * 5 - 1, 10, 2)));
        m_pView->OnStop();
    }

    // The clipboard and drags, of whole placements.
    void dragWithinAChannel()
    {
        PlaceMelody();
        // A plain drag moves the very placement; the source sees no effect to act on.
        QCOMPARE(Drag({0, 1}, {0, 4}), Qt::IgnoreAction);
        QVERIFY(At(0, 4) == m_pMelody && At(0, 1) == nullptr && Count(0) == 2);
        QVERIFY(m_pSession->GetSequenceCursor() == (SequencePos{0, 4}) && m_pDoc->IsModified());

        // With Ctrl it copies: a new pattern of the same cells, named apart, the source stays.
        QCOMPARE(Drag({0, 4}, {0, 6}, Qt::ControlModifier), Qt::CopyAction);
        CSoundPattern* pCopy = At(0, 6);
        QVERIFY(At(0, 4) == m_pMelody && pCopy != nullptr && pCopy != m_pMelody);
        QVERIFY(Count(0) == 3 && pCopy->GetName() == "002 (Melody)" && pCopy->GetRows() == 20);
        QCOMPARE(pCopy->GetCell(19), m_pMelody->GetCell(19));

        // Onto itself: nothing changes.
        m_pDoc->SetModifiedFlag(false);
        QCOMPARE(Drag({0, 4}, {0, 4}), Qt::IgnoreAction);
        QVERIFY(At(0, 4) == m_pMelody && Count(0) == 3 && !m_pDoc->IsModified());

        // An empty cell starts no drag.
        QVERIFY(m_pView->BeginDrag({1, 1}) == nullptr);
    }

    void dragToAnotherChannelOrDocument()
    {
        PlaceMelody();
        // Another channel gets a pattern of its own; without keys the source stays.
        QCOMPARE(Drag({0, 1}, {2, 3}), Qt::CopyAction);
        CSoundPattern* pCopy = At(2, 3);
        QVERIFY(pCopy != nullptr && pCopy != m_pMelody);
        QVERIFY(m_pDoc->FindPatternChannel(pCopy) == 2 && At(0, 1) == m_pMelody);
        QCOMPARE(pCopy->GetCell(0), m_pMelody->GetCell(0));

        // With Shift the copy is placed and the source cell cleared; the pattern stays listed.
        QCOMPARE(Drag({0, 1}, {1, 0}, Qt::ShiftModifier), Qt::MoveAction);
        QVERIFY(At(1, 0) != nullptr && At(0, 1) == nullptr && m_pDoc->HoldsPattern(0, m_pMelody));

        // Into another document with Shift: a copy there, cleared here.
        Place(0, 1, m_pMelody);
        QCOMPARE(Drag({0, 1}, {3, 5}, Qt::ShiftModifier, m_pOtherView), Qt::MoveAction);
        CSoundPattern* pThere = m_pOtherDoc->GetPatternAt({3, 5});
        QVERIFY(At(0, 1) == nullptr && pThere->GetName() == "Melody" &&
                m_pOtherDoc->FindPatternChannel(pThere) == 3);
    }

    void copyCutAndPaste()
    {
        PlaceMelody();
        // Copy on an empty cell leaves the clipboard alone; Cut there only marks modified.
        SetCursor(SequencePos{2, 0});
        QGuiApplication::clipboard()->setText("keep");
        m_pView->OnEditCopy();
        m_pView->OnEditCut();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("keep"));
        QVERIFY(m_pDoc->IsModified() && At(0, 1) == m_pMelody);

        // Paste of something that is not a pattern does nothing, silently.
        m_pView->OnEditPaste();
        QCOMPARE(At(2, 0), nullptr);

        // In its own channel a pasted placement is the very pattern, also after a Cut.
        SetCursor(SequencePos{0, 1});
        m_pView->OnEditCopy();
        SetCursor(SequencePos{0, 5});
        m_pView->OnEditPaste();
        QVERIFY(At(0, 5) == m_pMelody && Count(0) == 2);
        m_pView->OnEditCut();
        SetStep(8);
        m_pView->OnEditPaste();
        QVERIFY(At(0, 5) == nullptr && At(0, 8) == m_pMelody && Count(0) == 2);

        // Another channel gets a copy of its own, over a placement (the replaced pattern stays
        // listed), keeping its name while no pattern there has it.
        CSoundPattern* pBass = m_pDoc->CreatePattern(1, 8, "Bass");
        Place(1, 3, pBass);
        for (int step : {3, 4})
        {
            SetCursor(SequencePos{1, step});
            m_pView->OnEditPaste();
        }
        CSoundPattern* pPasted = At(1, 3);
        QVERIFY(pPasted != nullptr && pPasted != pBass && m_pDoc->HoldsPattern(1, pBass));
        QVERIFY(pPasted->GetName() == "Melody" && At(1, 4)->GetName() == "001 (Melody)");
        QVERIFY(m_pDoc->GetNextPatternNumber(1) == 1 &&
                pPasted->GetCell(0) == m_pMelody->GetCell(0));

        // Another sound gets a copy too.
        m_pOtherView->OnEditPaste();
        QVERIFY(m_pOtherDoc->GetPatternAt({0, 0})->GetName() == "Melody");
        QVERIFY(m_messages.texts.empty());
    }

    void invalidBlocksPlaceNothing()
    {
        PlaceMelody();
        const std::string good = CSoundDoc::CopyPatternToGlobal(m_pMelody);
        const std::string bad[] = {
            good.substr(0, good.size() - 1),                                 // cut short
            good + '\0',                                                     // runs on
            Le32(CSoundPattern::kMaxRows + 1) + '\0' + std::string(8, '\0'), // too many rows
        };
        SetCursor(SequencePos{1, 2});
        for (const std::string& block : bad)
        {
            QGuiApplication::clipboard()->setMimeData(BlockData(block));
            m_pView->OnEditPaste();
            QCOMPARE(m_messages.texts, std::vector<std::string>{kInvalid});
            m_messages.texts.clear();

            // A drop is answered once it is over.
            std::unique_ptr<QMimeData> pData(BlockData(block));
            QCOMPARE(DropOn(m_pView, pData.get(), m_pView->GetCellRect(2, 2).center()),
                     Qt::IgnoreAction);
            QTRY_COMPARE(m_messages.texts, std::vector<std::string>{kInvalid});
            m_messages.texts.clear();
        }
        QVERIFY(At(1, 2) == nullptr && At(2, 2) == nullptr && Count(1) + Count(2) == 0 &&
                !m_pDoc->IsModified());
    }
};

QTEST_MAIN(SequenceViewTest)
#include "sequence_view_test.moc"
