// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "session/LiveRecorder.h"
#include "session/SoundSession.h"
#include "sound/GameTempo.h"
#include "sound/NoteBars.h"
#include "views/NoteKeyboard.h"
#include "views/SoundBase.h"

#include <QUndoStack>

#include <string>
#include <vector>

namespace
{
// 4 rows a beat at 150 BPM: 5 ticks a row.
constexpr SoundProperties kTempo{150, 16, 4};
constexpr double kRowSeconds = 5.0 / kGameTicksPerSecond;

// What the document plays in its play range, channel by channel: "channel@start-end=note",
// the noise channel's type (w or p), "a" and the attenuation, then "i" and any instrument.
std::string Heard(const CSoundDoc& doc)
{
    std::string text;
    for (int channel = 0; channel < kChannelCount; ++channel)
        for (const NoteBar& bar : BuildChannelBars(doc, channel, doc.GetPlayRange()).bars)
        {
            text += (text.empty() ? "" : " ") + std::to_string(channel) + "@" +
                    std::to_string(bar.start) + "-" + std::to_string(bar.end) + "=" +
                    std::to_string(bar.note);
            if (channel == kNoiseChannel)
                text += bar.noiseType == NOISE_WHITE ? "w" : "p";
            text += "a" + std::to_string(bar.atten);
            if (bar.instrument != 0)
                text += "i" + std::to_string(bar.instrument);
        }
    return text;
}

// A key pressed (velocity > 0) or released, at a time in rows since the take started.
struct KeyEvent
{
    double at;
    int key;
    int velocity; // 0: released
    int channel = 0;
};

struct TakeCase
{
    const char* name;
    PlayRange range;
    int roundTo;
    int rows; // the take's length
    std::vector<KeyEvent> keys;
    const char* heard;
    PlayRange played{0, 0}; // what the playback looped over, when not the range
};

// clang-format off
const TakeCase kTakes[] = {
    {"to the nearest row, held across rows, followed without an off", {0, 16}, 1, 10,
     {{2.4, 60, 127}, {5.6, 60, 0}, {6.45, 62, 127}, {7.5, 62, 0}}, "0@2-6=60a0 0@6-8=62a0"},
    {"to the step size, either way", {0, 16}, 4, 14, {{5.0, 60, 127}, {10.2, 60, 0}},
     "0@4-12=60a0"},
    {"a chord over the voices, patterns made where none plays, loudness from velocity", {0, 48}, 1,
     44, {{10, 60, 64}, {10, 64, 127}, {10, 67, 32}, {40, 60, 0}, {40, 64, 0}, {40, 67, 0}},
     "0@10-40=67a12 1@10-40=64a0 2@10-40=60a6"},
    {"drums to the noise channel, a hit stopping the one before", {0, 16}, 1, 10,
     {{2, 36, 127, 9}, {3, 36, 0, 9}, {4, 38, 127, 9}, {6, 42, 127, 9}, {7, 42, 0, 9},
      {9, 38, 0, 9}},
     "3@2-3=2wa0 3@4-6=1wa0 3@6-7=0wa0"},
    {"looped: held over the loop, a later pass writing over the first", {0, 8}, 1, 14,
     {{3, 62, 127}, {5, 62, 0}, {6, 60, 127}, {10, 60, 0}, {12, 64, 127}, {13, 64, 0}},
     "0@0-2=60a0 0@3-4=62a0 0@4-5=64a0 0@6-8=60a0"},
    {"still held when the take ends", {0, 16}, 1, 6, {{1, 60, 127}}, "0@1-6=60a0"},
    {"rounded past the range end before the loop was reported", {0, 8}, 1, 7,
     {{7.6, 60, 127}, {9, 60, 0}}, "0@0-1=60a0"},
    {"the rows the playback reports, not the range at the end", {0, 16}, 1, 6,
     {{2, 60, 127}, {6, 60, 0}}, "0@4-6=60a0 0@6-8=60a0", {4, 8}},
};
// clang-format on
} // namespace

class LiveRecordingTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings().clear();
        QSettings().sync();
    }

    // Each take through the session's recorder, with the row reports and the clock in the
    // test's hands; the take lands as one step that undo takes back whole and redo puts back.
    void takes_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kTakes)); ++i)
            QTest::newRow(kTakes[i].name) << i;
    }
    void takes()
    {
        QFETCH(int, index);
        const TakeCase& take = kTakes[index];
        CSoundDoc doc;
        QVERIFY(doc.OnNewDocument());
        doc.AssignProperties(kTempo);
        doc.AssignPlayRange(take.range);
        CSoundSession session(&doc);
        double now = 0;
        session.Recorder().SetClock([&now] { return now * kRowSeconds; });
        const PlayRange played = take.played.end > 0 ? take.played : take.range;
        session.OnPlayStarted(played.start);
        session.OnRowPlayed(played.start);
        session.Recorder().Start(take.roundTo);
        QVERIFY(session.Recorder().IsRecording());

        auto play = [&](const KeyEvent& key)
        {
            now = key.at;
            if (key.velocity > 0)
                session.Recorder().NoteOn(key.key, key.velocity, key.channel);
            else
                session.Recorder().NoteOff(key.key, key.channel);
        };
        auto key = take.keys.begin();
        std::int32_t row = played.start;
        for (int t = 1; t <= take.rows; ++t)
        {
            for (; key != take.keys.end() && key->at < t; ++key)
                play(*key);
            now = t;
            session.OnRowPlayed(row = NextPassRow(played, row));
        }
        for (; key != take.keys.end(); ++key)
            play(*key);
        now = take.rows;

        const std::string before = Heard(doc);
        session.OnStopped();
        QVERIFY(!session.Recorder().IsRecording());
        QCOMPARE(Heard(doc), std::string(take.heard));
        QUndoStack& stack = session.Undo().Stack();
        QCOMPARE(stack.count(), 1);
        QVERIFY(doc.Validate().Ok());
        stack.undo();
        QCOMPARE(Heard(doc), before);
        QVERIFY(doc.Validate().Ok());
        stack.redo();
        QCOMPARE(Heard(doc), std::string(take.heard));
        QVERIFY(doc.Validate().Ok());
    }

    // Ctrl+R plays and records; the note keys held in the pattern editor land, with the current
    // instrument, on the rows the play thread was heard playing, and Stop ends the take.
    void noteKeysRecordThroughThePlayThread_data()
    {
        QTest::addColumn<int>("ticksPerFrame");
        QTest::newRow("a frame a tick") << 1;
        // Rows reach the editor several at a time, each with when it was heard.
        QTest::newRow("a frame every 12 ticks") << 12;
    }
    void noteKeysRecordThroughThePlayThread()
    {
        QFETCH(int, ticksPerFrame);
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);
        shell.Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shell.Frame()));
        CSoundDoc& doc = *shell.ActiveDoc();
        doc.AssignProperties(kTempo);
        doc.AssignPlayRange({0, 32});
        CSoundSession& session = *shell.app->Documents().GetSession(&doc);
        doc.AssignInstruments({CInstrument(2, "lead")});
        session.SetCurrentInstrument(2);
        // The device's clock is the one time: a row is 5 ticks of 735 samples.
        CTickPlayer player(*pDevice, *pThread);
        session.Recorder().SetClock([&player] { return player.Now(); });
        shell.ActiveFrame()->SetActivePane(1);
        QWidget* pEditor = shell.ActiveFrame()->GetPane(1);
        pEditor->setFocus();
        CNoteKeyboard::Instance().SetOctave(5);

        QVERIFY(shell.Frame()->Trigger(ID_SOUND_RECORD));
        QVERIFY(session.IsPlaying() && shell.Command(ID_SOUND_RECORD)->isChecked());
        // Key, pressed at, released at: C-5, then E-5 held on under G-5, which takes the next
        // voice.
        const std::tuple<Qt::Key, int, int> keys[] = {
            {Qt::Key_Z, 3, 6}, {Qt::Key_C, 8, 14}, {Qt::Key_B, 11, 13}};
        QVERIFY(player.PlayUntil(session, 3));
        player.SetTicksPerFrame(ticksPerFrame);
        for (int row = 3; row <= 14; ++row)
        {
            if (row > 3)
                player.PlayTicks(5);
            for (const auto& [key, pressed, released] : keys)
            {
                if (row == pressed)
                {
                    QTest::keyPress(pEditor, key);
                    // Key repeat starts nothing.
                    QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
                    QCoreApplication::sendEvent(pEditor, &repeat);
                }
                if (row == released)
                    QTest::keyRelease(pEditor, key);
            }
        }
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_STOP));
        QVERIFY(!shell.Command(ID_SOUND_RECORD)->isChecked());
        QCOMPARE(Heard(doc), std::string("0@3-6=60a0i2 0@8-14=64a0i2 1@11-13=67a0i2"));
        QCOMPARE(session.Undo().Stack().count(), 1);

        // A take still going when its sound closes is kept or thrown away with the rest.
        doc.SetModifiedFlag(false);
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_RECORD));
        QTest::keyPress(pEditor, Qt::Key_Z);
        shell.messages.answers = {Answer::Cancel};
        QVERIFY(shell.Frame()->Trigger(ID_FILE_CLOSE));
        QCOMPARE(shell.messages.texts, std::vector<std::string>{"Save changes to Sound1?"});
        QCOMPARE(session.Undo().Stack().count(), 2);
    }
};

TARVOK_SHELL_TEST_MAIN(LiveRecordingTest)
#include "live_recording_test.moc"
