// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/SoundSession.h"
#include "session/SoundUndo.h"
#include "sound/SoundDoc.h"
#include "views/PatternRows.h"
#include "views/SoundPatternView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

#include <memory>

namespace
{
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
    void Select(int first, int last)
    {
        Key(Qt::Key_Escape);
        pSession->SetPatternCursor({pSession->GetPatternCursor().field, first});
        for (int r = first; r < last; ++r)
            Key(Qt::Key_Down, Qt::ShiftModifier);
    }
    int Steps() { return pSession->Undo().Stack().count(); }
};
} // namespace

class RowBlockTest : public QObject
{
    Q_OBJECT

private slots:
    void copyCutPasteAndDelete()
    {
        Editor a, b(kNoiseChannel);
        a.Put(1, 61, 3);
        a.Put(2, NOTE_OFF, 15);
        a.Select(1, 2);
        a.Key(Qt::Key_C, Qt::ControlModifier);
        const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
        QVERIFY(pData->hasFormat(PatternRows::kMimeType));
        QCOMPARE(pData->text(), QString("     1  C#5  03\n     2  off  15\n"));

        // Pasted from the cursor down, clipped at the end; the cursor stays.
        a.Key(Qt::Key_Escape);
        a.pSession->SetPatternCursor({a.pSession->GetPatternCursor().field, 15});
        a.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(a.Pattern().GetCell(15) == a.Pattern().GetCell(1) &&
                a.pSession->GetPatternCursor().row == 15);

        // Into another document, and from plain text.
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(b.Pattern().GetCell(0).atten, 3);
        QGuiApplication::clipboard()->setText("     0  2 1  07\n");
        b.pSession->SetPatternCursor({b.pSession->GetPatternCursor().field, 4});
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
        QCOMPARE(text, QString("     3  C-5  04   430\n     4  D-5  05\n"));

        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(0) == exact && !b.Pattern().GetCell(1).HasDivisor());

        QGuiApplication::clipboard()->setText(text);
        b.pSession->SetPatternCursor({b.pSession->GetPatternCursor().field, 8});
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(8) == exact);

        // Text without the column, and a divisor no tone channel plays, paste plain notes.
        QGuiApplication::clipboard()->setText("     0  C-5  04\n     1  C-5  04     7\n");
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(8).note == 60 && !b.Pattern().GetCell(8).HasDivisor() &&
                !b.Pattern().GetCell(9).HasDivisor());

        // Cut carries it too; the noise channel drops it.
        a.Select(3, 3);
        a.Key(Qt::Key_X, Qt::ControlModifier);
        Editor noise(kNoiseChannel);
        noise.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(!noise.Pattern().GetCell(0).HasDivisor());
        b.Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(b.Pattern().GetCell(8) == exact);
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
        e.pSession->SetPatternCursor({e.pSession->GetPatternCursor().field, 6});
        e.Put(6, 50, 5);
        e.Key(Qt::Key_Up, Qt::ControlModifier);
        QVERIFY(e.Pattern().GetCell(6).note == 51 && e.Pattern().GetCell(7).note == 255);
    }
};

QTEST_MAIN(RowBlockTest)
#include "row_block_test.moc"
