// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "session/InstrumentEdits.h"
#include "session/SoundUndo.h"
#include "sound/ReadyInstruments.h"
#include "views/InstrumentWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

// The instruments' undo steps, and the Instruments window as a person reaches it.
class InstrumentWindowTest : public CSoundViewTest
{
    Q_OBJECT

private:
    struct Snapshot
    {
        std::vector<CInstrument> instruments;
        std::vector<SoundCell> cells;
        bool operator==(const Snapshot&) const = default;
    };

    PatternId First() const { return m_pDoc->GetPatterns(0)[0]->GetId(); }
    Snapshot Take() const { return {m_pDoc->GetInstruments(), m_pDoc->GetCells(First(), 0, 4)}; }
    QUndoStack& Stack() { return m_pSession->Undo().Stack(); }

    // Two instruments, and cells naming each of them.
    void Open()
    {
        EndDocument();
        QVERIFY(StartDocument());
        std::vector<CInstrument> two = {ReadyInstruments()[0], ReadyInstruments()[1]};
        two[1].SetNumber(2);
        QVERIFY(m_pDoc->SetInstruments(two));
        std::vector<SoundCell> cells(4, SoundCell::Empty());
        for (int row = 0; row < 4; ++row)
        {
            cells[row].SetNote(60);
            cells[row].instrument = static_cast<std::uint8_t>(row % 2 + 1);
        }
        QVERIFY(m_pDoc->SetCells(First(), 0, cells));
        connect(&Stack(), &QUndoStack::indexChanged, this,
                [this]
                {
                    const Status valid = m_pDoc->Validate();
                    QVERIFY2(valid.Ok(), valid.Error().c_str());
                });
    }

    template <typename T> static T* Named(QWidget* pRoot, const QString& name)
    {
        for (T* pChild : pRoot->findChildren<T*>())
            if (pChild->accessibleName() == name)
                return pChild;
        return nullptr;
    }

private slots:
    void cleanup() { EndDocument(); }

    void eachEditIsOneStepThatUndoesAndRedoes_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cells"); // the instrument of each cell after it
        const char* rows[][3] = {{"Add instrument Coin", "1212"},
                                 {"Duplicate instrument Pluck", "1212"},
                                 {"Rename instrument Pluck to Harp", "1212"},
                                 {"Delete instrument Pluck", "0202"},
                                 {"Move instrument Soft_Pad up", "2121"},
                                 {"Draw volume of Pluck", "1212"}};
        for (int i = 0; i < 6; ++i)
            QTest::newRow(rows[i][0]) << i << QString(rows[i][0]) << QString(rows[i][1]);
    }
    void eachEditIsOneStepThatUndoesAndRedoes()
    {
        QFETCH(int, edit);
        QFETCH(QString, text);
        QFETCH(QString, cells);
        Open();
        const Snapshot before = Take();
        CSoundSession& s = *m_pSession;
        const bool done[] = {
            edit == 0 && InstrumentEdits::Add(s, ReadyInstruments().back()) == 3,
            edit == 1 && InstrumentEdits::Duplicate(s, 1) == 3,
            edit == 2 && InstrumentEdits::Rename(s, 1, "Harp"),
            edit == 3 && InstrumentEdits::Delete(s, 1),
            edit == 4 && InstrumentEdits::Move(s, 2, -1),
            edit == 5 && InstrumentEdits::SetSequence(s, 1, SequenceKind::Volume, {{3, 2}},
                                                      QStringLiteral("Draw"))};
        QVERIFY(done[edit]);
        QCOMPARE(Stack().count(), 1);
        QCOMPARE(Stack().undoText(), text);
        const Snapshot after = Take();
        QVERIFY(after != before);
        QString named;
        for (const SoundCell& cell : after.cells)
            named += QString::number(cell.instrument);
        QCOMPARE(named, cells);
        if (edit == 4)
            QCOMPARE(after.instruments[0].GetName(), std::string("Soft_Pad"));
        Stack().undo();
        QVERIFY(Take() == before);
        Stack().redo();
        QVERIFY(Take() == after);
        // An edit that would break an instrument, or changes nothing, is no step.
        QVERIFY(!InstrumentEdits::Rename(s, 2, "two words"));
        QVERIFY(!InstrumentEdits::Move(s, after.instruments.front().GetNumber(), -1));
        QCOMPARE(Stack().count(), 1);
    }

    void windowAddsRenamesDrawsAndPreviews()
    {
        Open();
        CInstrumentWindow window(*m_pSession, nullptr);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* pList = Named<QListWidget>(&window, "Instrument list");
        QVERIFY(pList != nullptr);
        QCOMPARE(pList->count(), 2);

        QTest::mouseClick(Named<QPushButton>(&window, "Add"), Qt::LeftButton);
        QCOMPARE(pList->count(), 3);
        QCOMPARE(window.SelectedNumber(), 3);
        auto* pName = Named<QLineEdit>(&window, "Instrument name");
        pName->setFocus();
        pName->selectAll();
        QTest::keyClicks(pName, "Bell");
        QTest::keyClick(pName, Qt::Key_Return);
        QCOMPARE(m_pDoc->FindInstrument(3)->GetName(), std::string("Bell"));
        QCOMPARE(pList->currentItem()->text(), QString("03 Bell"));

        // A sequence of four, then one stroke across all of it to the top: one step.
        auto* pValues = Named<QLineEdit>(&window, "Volume values");
        pValues->setFocus();
        pValues->setText("0 0 0 0");
        QTest::keyClick(pValues, Qt::Key_Return);
        const int steps = Stack().count();
        QWidget* pGraph = Named<QWidget>(&window, "Volume graph");
        QTest::mousePress(pGraph, Qt::LeftButton, {}, QPoint(1, 0));
        for (int x = 1; x < pGraph->width(); x += pGraph->width() / 8)
            QTest::mouseMove(pGraph, QPoint(x, 0));
        QTest::mouseRelease(pGraph, Qt::LeftButton, {}, QPoint(pGraph->width() - 1, 0));
        QCOMPARE(Stack().count(), steps + 1);
        QCOMPARE(Stack().undoText(), QString("Draw volume of Bell"));
        const InstrumentSequence drawn{{15, 15, 15, 15}};
        QVERIFY(m_pDoc->FindInstrument(3)->GetSequence(SequenceKind::Volume) == drawn);
        QCOMPARE(pValues->text(), QString("15 15 15 15"));

        // Bad text changes nothing and says why.
        pValues->setFocus();
        pValues->setText("0 99");
        QTest::keyClick(pValues, Qt::Key_Return);
        QCOMPARE(Stack().count(), steps + 1);
        QVERIFY(Named<QLabel>(&window, "Message")->text().contains("0 to 15"));

        // The window's own Undo, and the window shows what it undid.
        pList->setFocus();
        QTest::keyClick(pList, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(pValues->text(), QString("0 0 0 0"));

        QTest::keyClick(pList, Qt::Key_Q);
        QCOMPARE(m_transport.previews, std::vector<int>{60});
        QCOMPARE(m_transport.previewInstruments, std::vector<int>{3});
        QCOMPARE(m_transport.previewVoices, std::vector<int>{0});
    }
};

QTEST_MAIN(InstrumentWindowTest)
#include "instrument_window_test.moc"
