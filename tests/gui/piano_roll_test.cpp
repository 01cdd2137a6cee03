// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "session/SoundUndo.h"
#include "sound/SoundPattern.h"
#include "views/FollowPlayback.h"
#include "views/PianoRollView.h"
#include "views/SoundFrame.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

#include <QAccessible>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>

namespace
{
class CRecordingHost : public CStubHost
{
public:
    void SetIdleText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// A pattern's cells as (row, note, attenuation) for the rows that hold anything.
using Cells = std::vector<std::tuple<int, int, int>>;
Cells CellsOf(const CSoundPattern& pattern)
{
    Cells cells;
    for (int row = 0; row < pattern.GetRows(); ++row)
    {
        const SoundCell cell = pattern.GetCell(row);
        if (cell.note != NOTE_EMPTY || cell.atten != ATTEN_EMPTY)
            cells.emplace_back(row, cell.note, cell.atten);
    }
    return cells;
}
} // namespace

class PianoRollTest : public CSoundViewTest
{
    Q_OBJECT

private:
    CPianoRollView* m_pView = nullptr;
    CRecordingHost m_idle;

    CSoundPattern& Pattern() const { return *m_pDoc->GetPatterns(0)[0]; }
    void Put(int row, std::uint8_t note, std::uint8_t atten = ATTEN_EMPTY,
             std::uint8_t instrument = 0)
    {
        SoundCell cell{note, FREQ_EMPTY, NOISE_PERIODIC, atten};
        cell.instrument = instrument;
        Pattern().SetCell(row, cell);
        m_pDoc->UpdateAllViews(nullptr);
    }
    // A point inside the cell of a row and a pitch.
    QPoint At(double row, int note) const
    {
        return {m_pView->RowToX(row) + 2, m_pView->PitchToY(note) + m_pView->GetKeyHeight() / 2};
    }
    void Drag(QPoint from, QPoint to)
    {
        QWidget* pViewport = m_pView->viewport();
        QTest::mousePress(pViewport, Qt::LeftButton, {}, from);
        QTest::mouseMove(pViewport, (from + to) / 2);
        QTest::mouseMove(pViewport, to);
        QTest::mouseRelease(pViewport, Qt::LeftButton, {}, to);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        CSoundViewTest::Key(m_pView, key, mods);
    }
    QUndoStack& Stack() const { return m_pSession->Undo().Stack(); }

private slots:
    void init()
    {
        QVERIFY(StartDocument());
        m_idle.texts.clear();
        m_pSession = std::make_unique<CSoundSession>(
            m_pDoc.get(), SoundViewServices{&m_idle, &m_transport, &m_dialogs});
        m_pView = new CPianoRollView(m_pSession.get());
        m_pView->setFixedSize(640, 480);
        QVERIFY(ShowWindow(QBoxLayout::TopToBottom, {m_pView}));
        m_pView->setFocus();
        m_pView->ScrollToRow(0);
        m_pDoc->UpdateAllViews(nullptr);
    }

    void cleanup() { EndDocument(); }

    void drawingWritesNotesAndMakesPatterns()
    {
        // Dragged over rows 2 to 5: the note and the off after it, one step, heard at once.
        Drag(At(2, 60), At(5, 60));
        QCOMPARE(CellsOf(Pattern()), (Cells{{2, 60, ATTEN_EMPTY}, {6, NOTE_OFF, ATTEN_EMPTY}}));
        QVERIFY(Stack().count() == 1 && Stack().undoText() == QStringLiteral("Draw Note"));
        QVERIFY(m_transport.previews == std::vector<int>{60} && m_transport.previewVoices[0] == 0);
        Stack().undo();
        QVERIFY(CellsOf(Pattern()).empty());
        Stack().redo();
        QCOMPARE(CellsOf(Pattern()).size(), std::size_t{2});

        // Past the pattern's end the note stops there, and the status bar says so.
        Drag(At(12, 64), At(20, 64));
        QCOMPARE(CellsOf(Pattern()).back(), std::make_tuple(12, 64, int(ATTEN_EMPTY)));
        QVERIFY(m_idle.texts == std::vector<std::string>{"The note ends where its pattern ends"});
        QCOMPARE(m_pView->Bars(0).At(12)->end, 16);

        // Where Voice1 has no pattern, a new one of step size rows is placed at the note.
        m_pView->SetVoice(1);
        Drag(At(20, 67), At(21, 67));
        const CSoundDoc::Sequence& sequence = m_pDoc->GetSequence(1);
        QCOMPARE(sequence.size(), std::size_t{1});
        // On the step holding the note, so that the sequence editor shows it on its line.
        QCOMPARE(sequence.begin()->first, 16);
        const CSoundPattern& made = *sequence.begin()->second;
        QCOMPARE(made.GetRows(), m_pDoc->GetStepSize());
        QCOMPARE(CellsOf(made), (Cells{{4, 67, ATTEN_EMPTY}, {6, NOTE_OFF, ATTEN_EMPTY}}));
        Stack().undo();
        QVERIFY(m_pDoc->GetSequence(1).empty() && m_pDoc->GetPatterns(1).empty());
    }

    void editsOfANoteAreEachOneStep()
    {
        Put(4, 60, 2, 7);
        Put(8, NOTE_OFF);
        const Cells original = CellsOf(Pattern());
        QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {}, At(5, 60));
        QCOMPARE(m_pView->Selection().size(), std::size_t{1});

        struct Case
        {
            int key;
            Qt::KeyboardModifiers mods;
            Cells cells;
        };
        const Case cases[] = {
            {Qt::Key_Up, Qt::NoModifier, {{4, 61, 2}, {8, NOTE_OFF, ATTEN_EMPTY}}},
            {Qt::Key_Up, Qt::ShiftModifier, {{4, 73, 2}, {8, NOTE_OFF, ATTEN_EMPTY}}},
            {Qt::Key_Down, Qt::AltModifier, {{4, 73, 3}, {8, NOTE_OFF, ATTEN_EMPTY}}},
            // The attenuation stays in force for the notes after it.
            {Qt::Key_Delete, Qt::NoModifier, {{4, NOTE_EMPTY, 3}}},
        };
        for (const Case& c : cases)
        {
            const int steps = Stack().count();
            if (c.key == Qt::Key_Delete)
                m_pView->OnEditDelete();
            else
                Key(c.key, c.mods);
            QCOMPARE(CellsOf(Pattern()), c.cells);
            QCOMPARE(Stack().count(), steps + 1);
        }
        while (Stack().canUndo())
            Stack().undo();
        QCOMPARE(CellsOf(Pattern()), original);

        // Dragged by its middle two rows later and two semitones up; by its end to row 11.
        m_pView->ScrollToRow(0);
        Drag(At(5, 60), At(7, 62));
        const Cells moved{{4, NOTE_EMPTY, 2}, {6, 62, 2}, {10, NOTE_OFF, ATTEN_EMPTY}};
        QCOMPARE(CellsOf(Pattern()), moved);
        QCOMPARE(int(Pattern().GetCell(6).instrument), 7); // the instrument moves with its note
        QCOMPARE(int(Pattern().GetCell(4).instrument), 0);
        const int end = m_pView->RowToX(10) - 1;
        const int y = At(6, 62).y();
        Drag({end, y}, {m_pView->RowToX(11) + 1, y});
        QCOMPARE(CellsOf(Pattern()), (Cells{moved[0], moved[1], {11, NOTE_OFF, ATTEN_EMPTY}}));
        Stack().undo();
        Stack().undo();
        QCOMPARE(CellsOf(Pattern()), original);
    }

    void keyboardAloneAddsAndRemoves()
    {
        const std::int32_t row = m_pView->GetCursorRow();
        const int note = m_pView->GetCursorNote();
        QVERIFY(m_pDoc->SetInstruments({CInstrument(3, "Lead")}));
        m_pSession->SetCurrentInstrument(3);
        Key(Qt::Key_Right);
        Key(Qt::Key_Right);
        Key(Qt::Key_Up);
        Key(Qt::Key_Return);
        const NoteBar* pBar = m_pView->Bars(0).At(row + 2);
        QVERIFY(pBar != nullptr && pBar->start == row + 2 && pBar->note == note + 1);
        QCOMPARE(pBar->instrument, 3);
        QCOMPARE(QString::fromStdString(m_idle.texts.back()), CPianoRollView::BarName(0, *pBar));
        QCOMPARE(CellsOf(Pattern()).front(), std::make_tuple(row + 2, note + 1, int(ATTEN_EMPTY)));
        Key(Qt::Key_Return);
        QVERIFY(m_pView->Bars(0).bars.empty() && CellsOf(Pattern()).empty());
        QCOMPARE(Stack().count(), 2);
    }

    void accessibleNotesAreThePaintedBars()
    {
        Put(2, 60, 0);
        Put(6, 64, 5);
        // Far to the right, out of view.
        CSoundPattern* pLong = m_pDoc->CreatePattern(1, 400);
        pLong->SetCell(390, {67, FREQ_EMPTY, NOISE_PERIODIC, 0});
        m_pDoc->PlacePattern(1, 0, pLong);
        m_pDoc->AssignPlayRange({0, 400});
        m_pDoc->UpdateAllViews(nullptr);

        QAccessibleInterface* pRoll = QAccessible::queryAccessibleInterface(m_pView);
        QVERIFY(pRoll != nullptr);
        QCOMPARE(pRoll->childCount(), 2);
        const QStringList names = {QStringLiteral("Voice0 C-5 at row 2, 4 rows, attenuation 0"),
                                   QStringLiteral("Voice0 E-5 at row 6, 10 rows, attenuation 5")};
        const QImage painted = m_pView->viewport()->grab().toImage();
        for (int i = 0; i < pRoll->childCount(); ++i)
        {
            QAccessibleInterface* pNote = pRoll->child(i);
            QCOMPARE(pNote->text(QAccessible::Name), names[i]);
            const QRect local(m_pView->viewport()->mapFromGlobal(pNote->rect().topLeft()),
                              pNote->rect().size());
            const NoteBar& bar = m_pView->Bars(0).bars[static_cast<std::size_t>(i)];
            QCOMPARE(local, m_pView->BarRect(0, bar));
            QCOMPARE(local.left(), m_pView->RowToX(bar.start));
            QCOMPARE(local.width(), m_pView->RowToX(bar.end) - m_pView->RowToX(bar.start));
            // Painted in the voice's colour inside, not above.
            const QColor inside = painted.pixelColor(local.center());
            QVERIFY(qAbs(inside.hue() - CPianoRollView::kVoiceColours[0].hue()) < 8);
            QVERIFY(painted.pixelColor(local.center() - QPoint(0, local.height())) != inside);
        }
        QCOMPARE(pRoll->childAt(pRoll->child(1)->rect().center().x(),
                                pRoll->child(1)->rect().center().y()),
                 pRoll->child(1));

        // Scrolled there, the far note is the only child.
        m_pView->ScrollToRow(380);
        QCOMPARE(pRoll->childCount(), 1);
        QCOMPARE(pRoll->child(0)->text(QAccessible::Name),
                 QStringLiteral("Voice1 G-5 at row 390, 10 rows, attenuation 0"));
    }

    void trackerEditorsReadAsTables()
    {
        Put(2, 60, 2);
        Put(5, NOTE_OFF);
        m_pSession->SetCurrentPattern(&Pattern());
        CSoundPatternView pattern(m_pSession.get());
        CSoundSequenceView sequence(m_pSession.get());
        for (QWidget* pEditor : {static_cast<QWidget*>(&pattern), static_cast<QWidget*>(&sequence)})
        {
            pEditor->resize(300, 300);
            pEditor->show();
        }
        m_pDoc->UpdateAllViews(nullptr);
        const auto cell = [](QWidget* pEditor, int row, int column)
        {
            QAccessibleTableInterface* pTable =
                QAccessible::queryAccessibleInterface(pEditor)->tableInterface();
            return pTable != nullptr ? pTable->cellAt(row, column)->text(QAccessible::Name)
                                     : QStringLiteral("no table");
        };
        QCOMPARE(QAccessible::queryAccessibleInterface(&pattern)->tableInterface()->rowCount(), 16);
        const QStringList row2 = {cell(&pattern, 2, 0), cell(&pattern, 2, 1), cell(&pattern, 2, 2)};
        QCOMPARE(row2,
                 (QStringList{QStringLiteral("2"), QStringLiteral("C-5"), QStringLiteral("02")}));
        QCOMPARE(cell(&pattern, 5, 1), QStringLiteral("off"));
        QCOMPARE(cell(&pattern, 3, 1), QStringLiteral("..."));
        QCOMPARE(cell(&sequence, 0, 1), QStringLiteral("000"));
        QCOMPARE(cell(&sequence, 1, 0), QString::number(m_pDoc->GetStepSize()));
    }

    void windowsKeepTheRollAsItWasLeft()
    {
        QSettings().clear();
        const auto open = [this]
        {
            auto pFrame = std::make_unique<CSoundFrame>(m_pSession.get(), nullptr);
            pFrame->OnCreateClient();
            pFrame->resize(600, 500);
            pFrame->show();
            return pFrame;
        };
        int height = 0;
        {
            const auto pFrame = open();
            QVERIFY(!pFrame->IsPianoRollShown() &&
                    pFrame->GetPane(CSoundFrame::kPianoRollPane) == nullptr);
            pFrame->ShowPianoRoll(true);
            QVERIFY(QTest::qWaitForWindowExposed(pFrame.get()));
            // The bar between the editors and the roll, dragged up by a person.
            auto* pSplitter = qobject_cast<QSplitter*>(pFrame->GetPianoRoll()->parentWidget());
            QSplitterHandle* pHandle = pSplitter->handle(1);
            const QPoint grip = pHandle->rect().center();
            QTest::mousePress(pHandle, Qt::LeftButton, {}, grip);
            QTest::mouseMove(pHandle, grip - QPoint(0, 60));
            QTest::mouseRelease(pHandle, Qt::LeftButton, {}, grip - QPoint(0, 60));
            height = pFrame->GetPianoRoll()->height();
            QVERIFY(height > pSplitter->widget(0)->height());
        }
        {
            const auto pFrame = open();
            QVERIFY(pFrame->IsPianoRollShown() && !pFrame->IsPianoRollAlone());
            QCOMPARE(pFrame->GetPianoRoll()->height(), height);
            pFrame->SetPianoRollAlone(true);
        }
        {
            const auto pFrame = open();
            QVERIFY(pFrame->IsPianoRollAlone() &&
                    pFrame->GetActivePane() == pFrame->GetPianoRoll());
            pFrame->ShowPianoRoll(false);
        }
        const auto pFrame = open();
        QVERIFY(!pFrame->IsPianoRollShown() && !pFrame->IsPianoRollAlone());
    }

    void followsThePlayPosition()
    {
        CSoundPattern* pLong = m_pDoc->CreatePattern(0, 400);
        m_pDoc->PlacePattern(0, 16, pLong);
        m_pDoc->AssignPlayRange({0, 416});
        m_pDoc->UpdateAllViews(nullptr);
        const int gridRight = m_pView->GridRect().right();
        auto playTo = [this](std::int32_t row)
        {
            while (m_pSession->GetPlayRow() < row)
                m_pSession->OnRowPlayed(m_pSession->GetPlayRow() + 1);
        };
        CFollowPlayback& follow = CFollowPlayback::Instance();
        const bool bWasOn = follow.IsOn();
        follow.Set(true);
        m_pSession->OnPlayStarted(0);
        QCOMPARE(m_pView->horizontalScrollBar()->value(), 0);
        // Past the right edge the view turns a page: the line is back at the left.
        const auto pastRight = static_cast<std::int32_t>(m_pView->XToRow(gridRight)) + 2;
        playTo(pastRight);
        const int x = m_pView->RowToX(pastRight);
        QVERIFY(x >= m_pView->GridRect().left() && x < m_pView->GridRect().center().x());

        // Not following, the view stays where it is.
        follow.Set(false);
        const int scrolled = m_pView->horizontalScrollBar()->value();
        playTo(pastRight * 3);
        QCOMPARE(m_pView->horizontalScrollBar()->value(), scrolled);
        follow.Set(bWasOn);
        m_pSession->OnStopped();
    }
};

QTEST_MAIN(PianoRollTest)
#include "piano_roll_test.moc"
