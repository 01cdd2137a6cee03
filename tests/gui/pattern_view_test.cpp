// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "session/SoundUndo.h"
#include "sound/SoundPattern.h"
#include "views/PatternRows.h"
#include "views/SoundPatternView.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>

namespace
{
constexpr int kPage = 10;
constexpr int kViewHeight = (kPage + 2) * CSoundBase::kRowHeight;

// A document whose current pattern is 16 rows of channel 0 (or the noise channel), in a view.
struct Editor
{
    std::unique_ptr<CSoundDoc> pDoc = std::make_unique<CSoundDoc>();
    std::unique_ptr<CSoundSession> pSession = std::make_unique<CSoundSession>(pDoc.get());
    std::unique_ptr<CSoundPatternView> pView;
    explicit Editor(int channel = 0)
    {
        pDoc->OnNewDocument();
        pSession->SetCurrentPattern(channel == 0 ? pDoc->GetPatterns(0)[0].get()
                                                 : pDoc->CreatePattern(channel, 16));
        pView = std::make_unique<CSoundPatternView>(pSession.get());
        pView->resize(300, 300);
        pView->show();
    }
    CSoundPattern& Pattern() const { return *pSession->GetCurrentPattern(); }
    void Put(int row, std::uint8_t note, std::uint8_t atten = ATTEN_EMPTY)
    {
        Pattern().SetCell(row, {note, FREQ_EMPTY, NOISE_PERIODIC, atten});
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(pView.get(), static_cast<Qt::Key>(key), mods);
    }
    void SetRow(int row) { pSession->SetPatternCursor({pSession->GetPatternCursor().field, row}); }
    void Select(int first, int last)
    {
        Key(Qt::Key_Escape);
        SetRow(first);
        for (int r = first; r < last; ++r)
            Key(Qt::Key_Down, Qt::ShiftModifier);
    }
    int Steps() { return pSession->Undo().Stack().count(); }
};
} // namespace

class PatternViewTest : public CSoundViewTest
{
    Q_OBJECT

private:
    CSoundPatternView* m_pView = nullptr;

    CSoundPattern* Pattern() const { return m_pSession->GetCurrentPattern(); }
    SoundCell Cell(int row) const { return Pattern()->GetCell(row); }
    PatternCursor Cursor() const { return m_pSession->GetPatternCursor(); }
    void SetRow(int row) { m_pSession->SetPatternCursor({Cursor().field, row}); }
    void SetField(int field) { m_pSession->SetPatternCursor({field, Cursor().row}); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        CSoundViewTest::Key(m_pView, key, mods);
    }
    void SetCell(int row, std::uint8_t note, std::uint8_t atten)
    {
        Pattern()->SetCell(row, {note, FREQ_EMPTY, NOISE_PERIODIC, atten});
    }
    // The current pattern is a new one on the channel, with the given rows.
    CSoundPattern* UsePattern(int channel, int rows)
    {
        CSoundPattern* pPattern = m_pDoc->CreatePattern(channel, rows);
        m_pSession->SetCurrentPattern(pPattern);
        m_pDoc->UpdateAllViews(nullptr);
        return pPattern;
    }
    int RowY(int row) const { return 20 + 14 * (row - m_pView->verticalScrollBar()->value()); }
    static std::vector<CInstrument> PluckAndBass()
    {
        return {CInstrument(1, "Pluck"), CInstrument(12, "Bass")};
    }

private slots:
    void init()
    {
        QVERIFY(StartDocument());
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        m_pView = new CSoundPatternView(m_pSession.get());
        m_pView->setFixedSize(360, kViewHeight);
        QVERIFY(ShowWindow(QBoxLayout::TopToBottom, {m_pView}));
        m_pView->setFocus();
        QVERIFY(m_pView->hasFocus());
        m_pDoc->UpdateAllViews(nullptr);
        QCOMPARE(m_pView->GetPage(), kPage);
    }

    void cleanup() { EndDocument(); }

    void noteEntryWritesMovesAndPreviews()
    {
        Key(Qt::Key_Q);
        QVERIFY(Cursor().row == 1 && m_pDoc->IsModified());
        QVERIFY(m_transport.previews == std::vector<int>{60});

        // Rest and empty are written without a preview.
        for (int key : {Qt::Key_Z, Qt::Key_P, Qt::Key_1, Qt::Key_Comma, Qt::Key_Period})
            Key(key);
        const int written[] = {60, 48, 76, NOTE_OFF, NOTE_OFF, NOTE_EMPTY};
        for (int row = 0; row < 6; ++row)
            QCOMPARE(int(Cell(row).note), written[row]);
        QVERIFY(Cursor().row == 6 && m_transport.previews == (std::vector<int>{60, 48, 76}));

        // With play-notes off nothing is previewed.
        m_pSession->SetPlayNotes(false);
        Key(Qt::Key_Q);
        QVERIFY(Cell(6).note == 60 && m_transport.previews.size() == 3);

        // A preview names the pattern's channel, which a mute may silence.
        m_pSession->SetPlayNotes(true);
        UsePattern(2, 8);
        Key(Qt::Key_Q);
        QVERIFY(m_transport.previewVoices == (std::vector<int>{0, 0, 0, 2}));
    }

    void octaveDigits()
    {
        SetCell(0, 49, ATTEN_EMPTY); // C#4
        SetField(1);
        Key(Qt::Key_6);
        QVERIFY(Cell(0).note == 73 && Cursor().row == 1 && m_transport.previews == std::vector{73});
        // The octave typed for a note is that note's alone.
        QCOMPARE(m_pView->GetOctave(), 4);

        // Without a note only the keyboard's octave changes.
        Key(Qt::Key_2);
        QVERIFY(Cell(1).note == NOTE_EMPTY && Cursor().row == 1 && m_pView->GetOctave() == 2);

        // Octave 9 of A# would be the rest value, of B a value no key makes: refused, saying
        // which notes there are. So is a note key above A-9.
        SetCell(1, 58, 3);
        SetCell(2, 57, 3);
        Key(Qt::Key_9);
        QVERIFY(Cell(1).note == 58 && Cursor().row == 1);
        const std::string range = "Insert a note (range C-0 to A-9)";
        QCOMPARE(m_host.status, range);
        SetRow(2);
        Key(Qt::Key_9);
        QVERIFY(Cell(2).note == 117 && Cursor().row == 3 && m_host.status != range);
        SetField(0);
        m_pView->SetOctave(8);
        Key(Qt::Key_P);
        QVERIFY(Cell(3).note == NOTE_EMPTY && Cursor().row == 3 && m_host.status == range);
    }

    void attenuationDigits_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("row");    // the cursor's afterwards
        QTest::addColumn<int>("steps");  // in the history
        QTest::addColumn<int>("undone"); // the last step undone
        const int down = Qt::Key_Down, right = Qt::Key_Right, period = Qt::Key_Period;
        QTest::newRow("4 is 04") << 2 << QList<int>{Qt::Key_4} << 4 << 1 << 1 << 7;
        QTest::newRow("4 in the units too") << 3 << QList<int>{Qt::Key_4} << 4 << 1 << 1 << 7;
        QTest::newRow("1 waits") << 2 << QList<int>{Qt::Key_1} << 1 << 0 << 1 << 7;
        QTest::newRow("1 2 is 12") << 2 << QList<int>{Qt::Key_1, Qt::Key_2} << 12 << 1 << 1 << 7;
        QTest::newRow("0 5 is 05") << 3 << QList<int>{Qt::Key_0, Qt::Key_5} << 5 << 1 << 1 << 7;
        QTest::newRow("1 9 stops at 15")
            << 2 << QList<int>{Qt::Key_1, Qt::Key_9} << 15 << 1 << 1 << 7;
        QTest::newRow("1 then a move is 01")
            << 2 << QList<int>{Qt::Key_1, down} << 1 << 1 << 1 << 7;
        QTest::newRow("a move ends the wait")
            << 2 << QList<int>{Qt::Key_0, right, Qt::Key_1} << 1 << 0 << 2 << 0;
        QTest::newRow("period clears") << 2 << QList<int>{Qt::Key_1, period} << 255 << 1 << 2 << 1;
    }

    void attenuationDigits()
    {
        QFETCH(int, field);
        QFETCH(QList<int>, keys);
        QFETCH(int, after);
        QFETCH(int, row);
        QFETCH(int, steps);
        QFETCH(int, undone);
        SetCell(0, 60, 7);
        SetField(field);
        for (int key : keys)
            Key(key);
        QCOMPARE(int(Cell(0).atten), after);
        QVERIFY(Cell(0).note == 60 && Cursor().row == row && m_transport.previews.empty());
        // A value is one step, named by what it made.
        QCOMPARE(m_pSession->Undo().Stack().count(), steps);
        const QString text = m_pSession->Undo().Stack().text(steps - 1);
        QVERIFY2(after == 255 ||
                     text.endsWith(QString("attenuation %1 at Voice0 row 0").arg(after)),
                 qPrintable(text));
        m_pView->OnEditUndo();
        QCOMPARE(int(Cell(0).atten), undone);
    }

    // After a complete entry the cursor moves on by the edit step, in the same field.
    void editStep()
    {
        CNoteKeyboard::Instance().SetEditStep(3);
        Key(Qt::Key_Q);
        Key(Qt::Key_1); // off
        QVERIFY(Cell(0).note == 60 && Cell(3).note == NOTE_OFF && Cursor().row == 6);
        SetField(2);
        Key(Qt::Key_1);
        QCOMPARE(Cursor().row, 6);
        Key(Qt::Key_3);
        QVERIFY(Cell(6).atten == 13 && Cursor().row == 9 && Cursor().field == 2);
        SetRow(14);
        Key(Qt::Key_5);
        QVERIFY(Cell(14).atten == 5 && Cursor().row == 15);

        // 0 stays on the row; the step is kept for the next start.
        CNoteKeyboard::Instance().SetEditStep(0);
        SetField(0);
        SetRow(10);
        Key(Qt::Key_W);
        QVERIFY(Cell(10).note == 62 && Cursor().row == 10);
        CNoteKeyboard::Instance().SetEditStep(16);
        CNoteKeyboard::Instance().SetEditStep(2);
        CNoteKeyboard::Instance().Load();
        QCOMPARE(CNoteKeyboard::Instance().GetEditStep(), 2);
    }

    void instrumentDigits_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("row"); // the cursor's afterwards
        QTest::addColumn<QString>("status");
        const int down = Qt::Key_Down;
        const QString prompt = "Set the instrument (two digits, 01-99; Delete clears it)";
        QTest::newRow("0 1 is 01") << 4 << QList<int>{Qt::Key_0, Qt::Key_1} << 1 << 1 << prompt;
        QTest::newRow("1 2 is 12") << 5 << QList<int>{Qt::Key_1, Qt::Key_2} << 12 << 1 << prompt;
        QTest::newRow("1 waits") << 4 << QList<int>{Qt::Key_1} << 5 << 0 << "Instrument 1_";
        QTest::newRow("a move drops the first digit")
            << 4 << QList<int>{Qt::Key_1, down, Qt::Key_2} << 5 << 1 << "Instrument 2_";
        QTest::newRow("unknown 05 is refused")
            << 4 << QList<int>{Qt::Key_0, Qt::Key_5} << 5 << 0 << "This sound has no instrument 05";
        QTest::newRow("0 0 clears") << 4 << QList<int>{Qt::Key_0, Qt::Key_0} << 0 << 1 << prompt;
        QTest::newRow("period clears") << 5 << QList<int>{Qt::Key_Period} << 0 << 1 << prompt;
        QTest::newRow("Delete clears, the row stays")
            << 4 << QList<int>{Qt::Key_Delete} << 0 << 0 << QString();
    }

    // Row 0 holds C-5 with the sound's instrument 5 of {1, 5, 12}; 5 goes before the keys.
    void instrumentDigits()
    {
        QFETCH(int, field);
        QFETCH(QList<int>, keys);
        QFETCH(int, after);
        QFETCH(int, row);
        QFETCH(QString, status);
        std::vector<CInstrument> instruments = PluckAndBass();
        instruments.emplace_back(5, "Pad");
        QVERIFY(m_pDoc->SetInstruments(instruments));
        SoundCell cell{60, FREQ_EMPTY, NOISE_PERIODIC, 7};
        cell.instrument = 5;
        Pattern()->SetCell(0, cell);
        Pattern()->SetCell(1, cell);
        m_pDoc->UpdateAllViews(nullptr);
        QVERIFY(m_pDoc->SetInstruments(PluckAndBass()));
        SetField(field);
        for (int key : keys)
            Key(key);
        QCOMPARE(int(Cell(0).instrument), after);
        QVERIFY(Cell(0).note == 60 && Cell(0).atten == 7 && Cell(1).note == 60);
        QCOMPARE(Cursor().row, row);
        if (!status.isEmpty())
            QCOMPARE(QString::fromStdString(m_host.status), status);
    }

    // The column is drawn where the screen reader finds it, and named in words.
    void instrumentColumnPaintedAndNamed()
    {
        QVERIFY(m_pDoc->SetInstruments(PluckAndBass()));
        SoundCell cell{60, FREQ_EMPTY, NOISE_PERIODIC, 2};
        cell.instrument = 12;
        Pattern()->SetCell(3, cell);
        m_pDoc->UpdateAllViews(nullptr);
        QAccessibleTableInterface* pTable =
            QAccessible::queryAccessibleInterface(m_pView)->tableInterface();
        QCOMPARE(pTable->columnCount(), 4);
        QAccessibleInterface* pCell = pTable->cellAt(3, 3);
        QCOMPARE(pCell->text(QAccessible::Name), QString("instrument 12"));
        QCOMPARE(pCell->text(QAccessible::Value), QString("12"));
        QCOMPARE(pTable->cellAt(4, 3)->text(QAccessible::Name), QString("no instrument"));
        const QRect rect = pCell->rect();
        // The digits' ink lies inside the cell's rectangle and nowhere right of it.
        const QImage image = m_pView->viewport()->grab().toImage();
        const QRect inView(m_pView->viewport()->mapFromGlobal(rect.topLeft()), rect.size());
        int inside = 0, outside = 0;
        for (int x = inView.left() - 8; x < inView.right() + 24; ++x)
            for (int y = inView.top(); y <= inView.bottom(); ++y)
                if (qGray(image.pixel(x, y)) > 200)
                    ++(inView.contains(x, y) ? inside : outside);
        QVERIFY2(inside > 0 && outside == 0, qPrintable(QString("%1 %2").arg(inside).arg(outside)));
        QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {}, inView.center());
        QCOMPARE(Cursor().field, CSoundPatternView::kFirstInstrumentField);
    }

    void notesGetTheCurrentInstrument()
    {
        QVERIFY(m_pDoc->SetInstruments(PluckAndBass()));
        m_pSession->SetCurrentInstrument(12);
        for (int key : {Qt::Key_Q, Qt::Key_1})
            Key(key);
        QVERIFY(Cell(0).instrument == 12 && Cell(1).note == NOTE_OFF && Cell(1).instrument == 0);
        // The octave typed over a note keeps its instrument.
        SetRow(0);
        SetField(1);
        Key(Qt::Key_3);
        QVERIFY(Cell(0).note == 36 && Cell(0).instrument == 12);
        UsePattern(kNoiseChannel, 4);
        m_pSession->SetPatternCursor({0, 0});
        Key(Qt::Key_2);
        QCOMPARE(Cell(0).instrument, 12);
        // An instrument taken out of the sound is no longer given.
        QVERIFY(m_pDoc->SetInstruments({CInstrument(1, "Pluck")}));
        Key(Qt::Key_3);
        QVERIFY(Cell(1).freq == 3 && Cell(1).instrument == 0);
    }

    void noiseChannelKeys()
    {
        UsePattern(kNoiseChannel, 8);
        Key(Qt::Key_4);
        Key(Qt::Key_2, Qt::KeypadModifier); // the keypad types no digits
        QVERIFY(Cell(0) == SoundCell::Empty() && Cursor().row == 0);
        for (int key : {Qt::Key_2, Qt::Key_Comma, Qt::Key_Period})
            Key(key);
        QCOMPARE((std::vector<int>{Cell(0).freq, Cell(1).freq, Cell(2).freq}),
                 (std::vector<int>{2, FREQ_OFF, FREQ_EMPTY}));
        QVERIFY(Cursor().row == 3 && m_transport.previews.empty());

        // A noise type needs a frequency; "off" counts as one.
        SetField(1);
        Key(Qt::Key_1);
        QVERIFY(Cell(3).noiseType == NOISE_PERIODIC && Cursor().row == 3);
        SetRow(1);
        Key(Qt::Key_1);
        QVERIFY(Cell(1).noiseType == NOISE_WHITE && Cursor().row == 2);

        // The octave keys do nothing here.
        Key(Qt::Key_Asterisk, Qt::KeypadModifier);
        Key(Qt::Key_Slash, Qt::KeypadModifier);
        QCOMPARE(m_pView->GetOctave(), 4);
    }

    void navigationNeverWraps()
    {
        Key(Qt::Key_Up);
        Key(Qt::Key_Left);
        QVERIFY(Cursor().row == 0 && Cursor().field == 0);
        for (int i = 0; i < 7; ++i)
            Key(Qt::Key_Right);
        SetRow(15);
        Key(Qt::Key_Down);
        QVERIFY(Cursor().field == 5 && Cursor().row == 15);

        // On the last row an entry is written and the cursor stays.
        SetField(0);
        Key(Qt::Key_Q);
        QVERIFY(Cell(15).note == 60 && Cursor().row == 15);
    }

    void insertAndDeleteRows()
    {
        for (int r = 0; r < 16; ++r)
            SetCell(r, static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r % 16));
        SetRow(14);
        Key(Qt::Key_Insert);
        QVERIFY(Cell(14) == SoundCell::Empty() && Cell(15).note == 14);
        Key(Qt::Key_Delete);
        QVERIFY(Cell(14).note == 14 && Cell(15) == SoundCell::Empty());

        // On the last row, and on a one-row pattern, both only clear the row.
        for (int rows : {16, 1})
        {
            if (rows == 1)
                UsePattern(0, 1);
            SetRow(rows - 1);
            for (int key : {int(Qt::Key_Insert), int(Qt::Key_Delete)})
            {
                SetCell(rows - 1, 40, 1);
                Key(key);
                QCOMPARE(Cell(rows - 1), SoundCell::Empty());
            }
            QCOMPARE(Pattern()->GetRows(), rows);
        }
        QCOMPARE(m_pDoc->GetPatterns(0)[0]->GetCell(14).note, 14);
    }

    void clicksMoveTheCursorToFields()
    {
        // x, row, expected field; -1: blanks and row numbers move nothing.
        const int clicks[][3] = {{70, 3, 0},  {82, 4, 1},  {113, 3, 3},
                                 {106, 3, 2}, {92, 6, -1}, {20, 6, -1}};
        for (const auto& c : clicks)
        {
            QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {},
                              QPoint(c[0], RowY(c[1]) + 5));
            if (c[2] >= 0)
                QCOMPARE((std::pair(Cursor().row, Cursor().field)), (std::pair(c[1], c[2])));
        }
        QCOMPARE((std::pair(Cursor().row, Cursor().field)), (std::pair(3, 2)));

        // Below the last row of a short pattern there is nothing to land on.
        UsePattern(0, 4);
        SetRow(1);
        QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {}, QPoint(70, RowY(7) + 5));
        QCOMPARE(Cursor().row, 1);
    }

    // Blocks of rows, each test in editors of its own.
    void copyCutPasteAndDelete()
    {
        Editor a, b(kNoiseChannel);
        a.Put(1, 61, 3);
        a.Put(2, NOTE_OFF, 15);
        a.Select(1, 2);
        a.Key(Qt::Key_C, Qt::ControlModifier);
        const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
        QVERIFY(pData->hasFormat(PatternRows::kMimeType));
        QCOMPARE(pData->text(), QString("     1  C#5  03  ..\n     2  off  15  ..\n"));

        // Pasted from the cursor down, clipped at the end; the cursor stays.
        a.Key(Qt::Key_Escape);
        a.SetRow(15);
        a.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(a.Pattern().GetCell(15) == a.Pattern().GetCell(1) &&
                a.pSession->GetPatternCursor().row == 15);

        // Into another document, and from plain text.
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(b.Pattern().GetCell(0).atten, 3);
        QGuiApplication::clipboard()->setText("     0  2 1  07\n");
        b.SetRow(4);
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(4).freq == 2 && b.Pattern().GetCell(4).noiseType == 1 &&
                b.Pattern().GetCell(4).atten == 7);
        QGuiApplication::clipboard()->setText("not rows");
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(b.Steps(), 2);

        // Cut and Delete empty the rows and keep them.
        a.Select(1, 2);
        a.Key(Qt::Key_X, Qt::ControlModifier);
        QVERIFY(a.Pattern().GetCell(1) == SoundCell::Empty() && a.Pattern().GetRows() == 16);
        a.Select(15, 15);
        a.Key(Qt::Key_Delete);
        QVERIFY(a.Pattern().GetCell(15) == SoundCell::Empty() &&
                a.Pattern().GetCell(14) == SoundCell::Empty());
        QCOMPARE(a.Steps(), 3);
    }

    // A game's notes keep their exact pitch through the clipboard, in both forms.
    void exactPitchRoundTrip()
    {
        Editor a, b;
        SoundCell exact{60, FREQ_EMPTY, NOISE_PERIODIC, 4};
        exact.divisor = 430;
        a.Pattern().SetCell(3, exact);
        a.Put(4, 62, 5);
        a.Select(3, 4);
        a.Key(Qt::Key_C, Qt::ControlModifier);
        const QString text = QGuiApplication::clipboard()->text();
        QCOMPARE(text, QString("     3  C-5  04  ..   430\n     4  D-5  05  ..\n"));

        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(0) == exact && !b.Pattern().GetCell(1).HasDivisor());

        QGuiApplication::clipboard()->setText(text);
        b.SetRow(8);
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(8) == exact);

        // Text without the column, and a divisor no tone channel plays, paste plain notes.
        QGuiApplication::clipboard()->setText("     0  C-5  04\n     1  C-5  04     7\n");
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(8).note == 60 && !b.Pattern().GetCell(8).HasDivisor() &&
                !b.Pattern().GetCell(9).HasDivisor());

        // The noise channel drops it.
        a.Select(3, 3);
        a.Key(Qt::Key_C, Qt::ControlModifier);
        Editor noise(kNoiseChannel);
        noise.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(!noise.Pattern().GetCell(0).HasDivisor());
    }

    // What a block of rows does with the notes keeps their instruments; into a sound that
    // lacks one they play plain.
    void blocksCarryInstruments()
    {
        Editor a, b, c;
        for (CSoundDoc* pDoc : {a.pDoc.get(), b.pDoc.get()})
            QVERIFY(pDoc->SetInstruments(PluckAndBass()));
        QVERIFY(c.pDoc->SetInstruments({CInstrument(1, "Pluck")}));
        SoundCell pluck{60, FREQ_EMPTY, NOISE_PERIODIC, 4}, bass{40, FREQ_EMPTY, NOISE_PERIODIC, 6};
        pluck.instrument = 1;
        bass.instrument = 12;
        a.Pattern().SetCell(0, pluck);
        a.Pattern().SetCell(1, bass);
        a.Select(0, 1);
        a.Key(Qt::Key_C, Qt::ControlModifier);
        const QString text = QGuiApplication::clipboard()->text();
        QCOMPARE(text, QString("     0  C-5  04  01\n     1  E-3  06  12\n"));

        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(0) == pluck && b.Pattern().GetCell(1) == bass);
        QGuiApplication::clipboard()->setText(text);
        b.SetRow(4);
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(4) == pluck && b.Pattern().GetCell(5) == bass);
        c.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(c.Pattern().GetCell(0) == pluck && c.Pattern().GetCell(1).instrument == 0);

        b.Select(0, 1);
        b.Key(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(b.Pattern().GetCell(0).note == 72 && b.Pattern().GetCell(0).instrument == 1 &&
                b.Pattern().GetCell(1).instrument == 12);
        b.Key(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(b.Pattern().GetCell(1), SoundCell::Empty());
        for (int step = 0; step < 2; ++step)
            b.pSession->Undo().Stack().undo();
        QVERIFY(b.Pattern().GetCell(0) == pluck && b.Pattern().GetCell(1) == bass);
    }

    void transposeAndAttenuation_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QList<int>>("notes");  // rows 0-5 before: 0, 60, 117, off, empty, 62
        QTest::addColumn<QList<int>>("attens"); // rows 0-5 before: 0, 14, 15, 7, empty, empty
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;
        QTest::newRow("semitone up")
            << int(Qt::Key_Up) << ctrl << QList<int>{1, 61, 117, 118, 255, 63}
            << QList<int>{0, 14, 15, 7, 255, 255};
        QTest::newRow("octave down")
            << int(Qt::Key_Down) << (ctrl | shift) << QList<int>{0, 48, 105, 118, 255, 50}
            << QList<int>{0, 14, 15, 7, 255, 255};
        QTest::newRow("louder") << int(Qt::Key_Up) << alt << QList<int>{0, 60, 117, 118, 255, 62}
                                << QList<int>{0, 13, 15, 6, 255, 6};
        QTest::newRow("quieter") << int(Qt::Key_Down) << alt << QList<int>{0, 60, 117, 118, 255, 62}
                                 << QList<int>{1, 14, 15, 8, 255, 8};
        QTest::newRow("alt letter") << int(Qt::Key_Q) << alt << QList<int>{0, 60, 117, 118, 255, 62}
                                    << QList<int>{0, 14, 15, 7, 255, 255};
    }
    void transposeAndAttenuation()
    {
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(QList<int>, notes);
        QFETCH(QList<int>, attens);
        Editor e;
        const int before[][2] = {{0, 0}, {60, 14}, {117, 15}, {NOTE_OFF, 7}, {255, 255}, {62, 255}};
        for (int r = 0; r < 6; ++r)
            e.Put(r, static_cast<std::uint8_t>(before[r][0]),
                  static_cast<std::uint8_t>(before[r][1]));
        e.Select(0, 5);
        e.Key(key, Qt::KeyboardModifiers(mods));
        for (int r = 0; r < 6; ++r)
            QVERIFY2(e.Pattern().GetCell(r).note == notes[r] &&
                         e.Pattern().GetCell(r).atten == attens[r],
                     qPrintable(QString::number(r)));
        QCOMPARE(e.Steps(), key == Qt::Key_Q ? 0 : 1);
        // Nudging again is the same step; without a selection only the cursor row moves.
        e.Key(key, Qt::KeyboardModifiers(mods));
        QCOMPARE(e.Steps(), key == Qt::Key_Q ? 0 : mods == Qt::AltModifier ? 1 : 2);
        e.Key(Qt::Key_Escape);
        e.SetRow(6);
        e.Put(6, 50, 5);
        e.Key(Qt::Key_Up, Qt::ControlModifier);
        QVERIFY(e.Pattern().GetCell(6).note == 51 && e.Pattern().GetCell(7).note == 255);
    }
};

QTEST_MAIN(PatternViewTest)
#include "pattern_view_test.moc"
