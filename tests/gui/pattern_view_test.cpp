// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundViewFakes.h"

#include "sound/SoundPattern.h"
#include "views/SoundPatternView.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

namespace
{
constexpr int kPage = 10;
constexpr int kViewHeight = (kPage + 2) * CSoundBase::kRowHeight;
} // namespace

class PatternViewTest : public CSoundViewTest
{
    Q_OBJECT

private:
    CSoundPatternView* m_pView = nullptr;
    QLineEdit* m_pOther = nullptr;

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
        SoundCell cell = SoundCell::Empty();
        cell.note = note;
        cell.atten = atten;
        Pattern()->SetCell(row, cell);
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

private slots:
    void init()
    {
        QVERIFY(StartDocument());
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        m_pView = new CSoundPatternView(m_pSession.get());
        m_pView->setFixedSize(360, kViewHeight);
        m_pOther = new QLineEdit;
        QVERIFY(ShowWindow(QBoxLayout::TopToBottom, {m_pView, m_pOther}));
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
        QVERIFY(m_transport.previews == std::vector<int>{60} &&
                m_host.LastPrompt() == unsigned(IDS_PROMPT_NOTE));

        // Rest and empty are written without a preview.
        for (int key : {Qt::Key_Z, Qt::Key_P, Qt::Key_1, Qt::Key_Comma, Qt::Key_Period})
            Key(key);
        const int written[] = {60, 48, 76, NOTE_OFF, NOTE_OFF, NOTE_EMPTY};
        for (int row = 0; row < 6; ++row)
            QCOMPARE(int(Cell(row).note), written[row]);
        QVERIFY(Cursor().row == 6 && m_transport.previews == (std::vector<int>{60, 48, 76}));

        // With play-notes off nothing is previewed.
        m_pView->OnCommand(ID_SOUND_PLAYNOTES);
        Key(Qt::Key_Q);
        QVERIFY(Cell(6).note == 60 && m_transport.previews.size() == 3);

        // A preview names the pattern's channel, which a mute may silence.
        m_pView->OnCommand(ID_SOUND_PLAYNOTES);
        UsePattern(2, 8);
        Key(Qt::Key_Q);
        QVERIFY(m_transport.previewVoices == (std::vector<int>{0, 0, 0, 2}));
    }

    void octaveDigits()
    {
        SetCell(0, 49, ATTEN_EMPTY); // C#4
        SetField(1);
        Key(Qt::Key_6);
        QVERIFY(Cell(0).note == 73 && Cursor().row == 1 && m_pView->GetOctave() == 6);
        QVERIFY(m_transport.previews == std::vector<int>{73} &&
                m_host.LastPrompt() == unsigned(IDS_PROMPT_OCTAVE));

        // Without a note only the octave changes.
        Key(Qt::Key_2);
        QVERIFY(Cell(1).note == NOTE_EMPTY && Cursor().row == 1 && m_pView->GetOctave() == 2);

        // Octave 9 of A# would be the rest value, of B a value no key makes: refused.
        SetCell(1, 58, 3);
        SetCell(2, 57, 3);
        Key(Qt::Key_9);
        QVERIFY(Cell(1).note == 58 && Cursor().row == 1);
        SetRow(2);
        Key(Qt::Key_9);
        QVERIFY(Cell(2).note == 117 && Cursor().row == 3);
    }

    void attenuationDigits_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("after");
        QTest::newRow("1 over empty") << 2 << 255 << int(Qt::Key_1) << 10;
        QTest::newRow("3 over 07") << 2 << 7 << int(Qt::Key_3) << 15;
        QTest::newRow("0 over 12") << 2 << 12 << int(Qt::Key_0) << 2;
        QTest::newRow("units 5 over 10") << 3 << 10 << int(Qt::Key_5) << 15;
        QTest::newRow("units 9 over 12") << 3 << 12 << int(Qt::Key_9) << 15;
        QTest::newRow("units 4 over empty") << 3 << 255 << int(Qt::Key_4) << 4;
        QTest::newRow("period clears tens") << 2 << 12 << int(Qt::Key_Period) << 255;
        QTest::newRow("period clears units") << 3 << 7 << int(Qt::Key_Period) << 255;
    }

    void attenuationDigits()
    {
        QFETCH(int, field);
        QFETCH(int, before);
        QFETCH(int, key);
        QFETCH(int, after);
        SetCell(0, 60, static_cast<std::uint8_t>(before));
        SetField(field);
        Key(key);
        QCOMPARE(int(Cell(0).atten), after);
        QVERIFY(Cell(0).note == 60 && Cursor().row == 1 && m_transport.previews.empty());
    }

    void noiseChannelKeys()
    {
        UsePattern(kNoiseChannel, 8);
        Key(Qt::Key_4);
        QVERIFY(Cell(0) == SoundCell::Empty() && Cursor().row == 0);
        QCOMPARE(m_host.LastPrompt(), unsigned(IDS_PROMPT_NOISEFREQ));
        for (int key : {Qt::Key_2, Qt::Key_Comma, Qt::Key_Period})
            Key(key);
        QCOMPARE((std::vector<int>{Cell(0).freq, Cell(1).freq, Cell(2).freq}),
                 (std::vector<int>{2, FREQ_OFF, FREQ_EMPTY}));
        QVERIFY(Cursor().row == 3 && m_transport.previews.empty());

        // A noise type needs a frequency; "off" counts as one.
        SetField(1);
        Key(Qt::Key_1);
        QVERIFY(Cell(3).noiseType == NOISE_PERIODIC && Cursor().row == 3);
        QCOMPARE(m_host.LastPrompt(), unsigned(IDS_PROMPT_NOISETYPE));
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
        for (int i = 0; i < 5; ++i)
            Key(Qt::Key_Right);
        SetRow(15);
        Key(Qt::Key_Down);
        QVERIFY(Cursor().field == 3 && Cursor().row == 15);

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
};

QTEST_MAIN(PatternViewTest)
#include "pattern_view_test.moc"
