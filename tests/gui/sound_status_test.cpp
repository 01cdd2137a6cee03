// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportSizeStatus.h"
#include "app/InstrumentBox.h"
#include "session/ExportSizeMeter.h"
#include "session/SoundSession.h"
#include "sound/ExportSizeText.h"
#include "sound/SoundDoc.h"

#include <QLabel>
#include <QTest>

#include <latch>
#include <thread>

namespace
{
// An instrument whose volume changes every tick: each tick of its notes is a record.
CInstrument Flutter()
{
    CInstrument flutter(1, "Flutter");
    flutter.SetSequence(SequenceKind::Volume, {{0, 1}, 0, kNoIndex});
    return flutter;
}

// One held note of Flutter on each of the first voices, over a pattern of that many rows.
void FillVoices(CSoundDoc& doc, int voices, std::int32_t rows)
{
    QVERIFY(doc.SetInstruments({Flutter()}));
    doc.AssignPlayRange({0, rows});
    SoundCell note{60, FREQ_EMPTY, NOISE_PERIODIC, 0};
    note.instrument = 1;
    for (int voice = 0; voice < voices; ++voice)
    {
        CSoundPattern* pPattern = doc.CreatePattern(voice, rows);
        pPattern->SetCell(0, note);
        doc.PlacePattern(voice, 0, pPattern);
    }
}
} // namespace

// What the sound toolbar and the status bar show of the active sound.
class SoundStatusTest : public QObject
{
    Q_OBJECT

private slots:
    void sizeFollowsTheExport()
    {
        CSoundDoc doc;
        QVERIFY(doc.OnNewDocument());
        // 7 ticks a row: 600 rows of a record a tick are 21,000 bytes a voice.
        FillVoices(doc, 3, 600);
        const CSoundDoc* pActive = &doc;
        QLabel pane;
        CExportSizeStatus status(&pane, [&pActive] { return pActive; });
        const QColor normal = pane.palette().color(QPalette::WindowText);

        status.Schedule();
        AgiExportSize size = MeasureAgiExport(doc, doc.GetPlayRange());
        QVERIFY(size.bytes > kExportSizeWarningBytes && size.bytes < 65535);
        QTRY_COMPARE(pane.text(), QString::fromStdString(ResourceSizeText(size)));
        QCOMPARE(pane.toolTip().split('\n').at(2),
                 QString::fromStdString(VoiceSizeText(2, size.voices[2])));
        QCOMPARE(pane.palette().color(QPalette::WindowText), CExportSizeStatus::kWarningColor);

        // An edit is measured again; under the mark the colour is the status bar's own.
        const PatternId third = doc.GetPlacement({2, 0});
        QVERIFY(doc.SetCells(third, 0, {SoundCell::Empty()}));
        status.Schedule();
        size = MeasureAgiExport(doc, doc.GetPlayRange());
        QVERIFY(size.bytes < kExportSizeWarningBytes && size.bytes > kExportSizeWarningBytes / 2);
        QTRY_COMPARE(pane.text(), QString::fromStdString(ResourceSizeText(size)));
        QCOMPARE(pane.palette().color(QPalette::WindowText), normal);

        // Without a sound window there is nothing to show.
        pActive = nullptr;
        status.Schedule();
        QVERIFY(pane.text().isEmpty() && pane.toolTip().isEmpty());
    }

    // The measurement runs on the meter's thread; requests made while it is busy leave only
    // the newest to be measured next, and only its result is told.
    void meterWorksAsideAndTellsTheNewest()
    {
        std::latch started(1), released(1);
        // Written by the worker, read once its last result has been told.
        std::vector<int> measured;
        std::thread::id worker;
        CExportSizeMeter meter(
            [&](const CSoundDoc& doc)
            {
                measured.push_back(doc.GetBeatsPerMinute());
                worker = std::this_thread::get_id();
                if (measured.size() == 1)
                    started.count_down();
                released.wait();
                AgiExportSize size;
                size.bytes = doc.GetBeatsPerMinute();
                return size;
            });
        std::vector<std::int64_t> told;
        connect(&meter, &CExportSizeMeter::Measured, this,
                [&](const AgiExportSize& size) { told.push_back(size.bytes); });

        CSoundDoc doc;
        QVERIFY(doc.OnNewDocument());
        const auto requestAt = [&](int bpm)
        {
            doc.AssignProperties({bpm, 16, 4});
            meter.Request(doc);
        };
        requestAt(100);
        started.wait();
        requestAt(110);
        requestAt(120);
        released.count_down();
        QTRY_COMPARE(told, std::vector<std::int64_t>{120});
        QTest::qWait(50);
        QVERIFY(told.size() == 1 && measured == (std::vector<int>{100, 120}));
        QVERIFY(worker != std::this_thread::get_id());
    }

    void instrumentBoxFollowsTheSound()
    {
        CSoundDoc doc;
        QVERIFY(doc.OnNewDocument());
        CSoundSession session(&doc);
        CSoundSession* pActive = &session;
        CInstrumentBox box(nullptr, [&pActive] { return pActive; });
        QVERIFY(box.count() == 1 && box.itemText(0) == "None" && box.focusPolicy() == Qt::NoFocus);

        QVERIFY(doc.SetInstruments({CInstrument(1, "Pluck"), CInstrument(12, "Bass")}));
        box.Refresh();
        box.activated(2);
        QVERIFY(box.itemText(2) == "12 Bass" && session.GetCurrentInstrument() == 12);

        // Renamed and deleted in the sound: the box shows it, and shows None for a current
        // instrument that went.
        QVERIFY(doc.SetInstruments({CInstrument(1, "Pluck_2")}));
        box.Refresh();
        QVERIFY(box.count() == 2 && box.itemText(1) == "01 Pluck_2" && box.currentIndex() == 0);
        pActive = nullptr;
        box.Refresh();
        QVERIFY(!box.isEnabled() && box.count() == 1);
    }
};

QTEST_MAIN(SoundStatusTest)
#include "sound_status_test.moc"
