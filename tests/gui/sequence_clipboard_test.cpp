// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "sound/SoundPattern.h"
#include "views/SoundSequenceView.h"

#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QtTest>

#include <memory>

namespace
{
constexpr int kViewHeight = 12 * CSoundBase::kRowHeight;
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

class SequenceClipboardTest : public CSoundViewTest
{
    Q_OBJECT

private:
    std::unique_ptr<CSoundDoc> m_pOtherDoc;
    std::unique_ptr<CSoundSession> m_pOtherSession;
    CSoundSequenceView* m_pView = nullptr;
    CSoundSequenceView* m_pOtherView = nullptr;
    CSoundPattern* m_pMelody = nullptr;

    using CSoundViewTest::At;
    CSoundPattern* At(int channel, int step) const { return At(*m_pDoc, channel, step); }
    std::size_t Count(int channel) const { return m_pDoc->GetPatterns(channel).size(); }

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
        m_pOtherDoc = std::make_unique<CSoundDoc>();
        QVERIFY(m_pOtherDoc->OnNewDocument());
        m_pOtherSession = MakeSession(m_pOtherDoc.get());
        m_pMelody = m_pDoc->CreatePattern(0, 20, "Melody");
        m_pMelody->SetCell(0, SoundCell{60, 255, 0, 3});
        m_pMelody->SetCell(19, SoundCell{118, 255, 0, 255});
        Place(*m_pDoc, 0, 1, m_pMelody);
        m_pDoc->SetModifiedFlag(false);
        m_pView = new CSoundSequenceView(m_pSession.get());
        m_pOtherView = new CSoundSequenceView(m_pOtherSession.get());
        for (CSoundSequenceView* pView : {m_pView, m_pOtherView})
            pView->setFixedSize(340, kViewHeight);
        QVERIFY(ShowWindow(QBoxLayout::LeftToRight, {m_pView, m_pOtherView}));
        QGuiApplication::clipboard()->clear();
    }

    void cleanup()
    {
        EndDocument();
        m_pOtherSession.reset();
        m_pOtherDoc.reset();
    }

    void dragWithinAChannel()
    {
        // A plain drag moves the very placement; the source sees no effect to act on.
        QCOMPARE(Drag({0, 1}, {0, 4}), Qt::IgnoreAction);
        QVERIFY(At(0, 4) == m_pMelody && At(0, 1) == nullptr && Count(0) == 2);
        QVERIFY(m_pSession->GetSequenceCursor() == (SequencePos{0, 4}) && m_pDoc->IsModified());

        // With Ctrl it copies: a new pattern of the same name and cells, the source stays.
        QCOMPARE(Drag({0, 4}, {0, 6}, Qt::ControlModifier), Qt::CopyAction);
        CSoundPattern* pCopy = At(0, 6);
        QVERIFY(At(0, 4) == m_pMelody && pCopy != nullptr && pCopy != m_pMelody);
        QVERIFY(Count(0) == 3 && pCopy->GetName() == "Melody" && pCopy->GetRows() == 20);
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
        Place(*m_pDoc, 0, 1, m_pMelody);
        QCOMPARE(Drag({0, 1}, {3, 5}, Qt::ShiftModifier, m_pOtherView), Qt::MoveAction);
        QVERIFY(At(0, 1) == nullptr && At(*m_pOtherDoc, 3, 5)->GetName() == "Melody" &&
                m_pOtherDoc->FindPatternChannel(At(*m_pOtherDoc, 3, 5)) == 3);
    }

    void copyCutAndPaste()
    {
        // Always enabled in the sequence editor, also on an empty cell.
        m_pSession->SetSequenceCursor(SequencePos{2, 0});
        for (UINT nID : {ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE})
        {
            CCmdUI ui(nID);
            ui.Enable(false);
            QVERIFY(m_pView->OnCmdMsg(nID, &ui) && ui.m_bEnabled);
        }

        // Copy on an empty cell leaves the clipboard alone; Cut there only marks modified.
        QGuiApplication::clipboard()->setText("keep");
        QVERIFY(m_pView->OnCmdMsg(ID_EDIT_COPY, nullptr) &&
                m_pView->OnCmdMsg(ID_EDIT_CUT, nullptr));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("keep"));
        QVERIFY(m_pDoc->IsModified() && At(0, 1) == m_pMelody);

        // Paste of something that is not a pattern does nothing, silently.
        m_pView->OnEditPaste();
        QCOMPARE(At(2, 0), nullptr);

        // Paste over a placement replaces it; the replaced pattern stays in its list.
        CSoundPattern* pBass = m_pDoc->CreatePattern(1, 8, "Bass");
        Place(*m_pDoc, 1, 3, pBass);
        m_pSession->SetSequenceCursor(SequencePos{0, 1});
        m_pView->OnEditCopy();
        m_pSession->SetSequenceCursor(SequencePos{1, 3});
        m_pView->OnEditPaste();
        CSoundPattern* pPasted = At(1, 3);
        QVERIFY(pPasted != nullptr && pPasted != pBass && m_pDoc->HoldsPattern(1, pBass));
        QVERIFY(pPasted->GetName() == "Melody" && m_pDoc->GetNextPatternNumber(1) == 1);
        QCOMPARE(pPasted->GetCell(0), m_pMelody->GetCell(0));

        // Cut takes the placement away and leaves the pattern on the clipboard.
        m_pSession->SetSequenceCursor(SequencePos{0, 1});
        m_pView->OnEditCut();
        QCOMPARE(At(0, 1), nullptr);
        m_pSession->SetSequenceCursor(SequencePos{2, 7});
        QVERIFY(m_pView->DropPattern(nullptr, m_pSession->GetSequenceCursor()) != nullptr &&
                At(2, 7)->GetRows() == 20);
        QVERIFY(m_messages.texts.empty());
    }

    void invalidBlocksPlaceNothing()
    {
        const std::string good = CSoundDoc::CopyPatternToGlobal(m_pMelody);
        const std::string bad[] = {
            good.substr(0, good.size() - 1),                                 // cut short
            good + '\0',                                                     // runs on
            Le32(CSoundPattern::kMaxRows + 1) + '\0' + std::string(8, '\0'), // too many rows
        };
        m_pSession->SetSequenceCursor(SequencePos{1, 2});
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

QTEST_MAIN(SequenceClipboardTest)
#include "sequence_clipboard_test.moc"
