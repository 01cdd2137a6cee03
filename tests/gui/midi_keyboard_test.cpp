// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI keyboard through a real MIDI system: a JACK server of the test's own (the test
// command starts it), another JACK client playing into Tarvok's port.
#include "ShellTestSupport.h"

#include "app/MidiCommands.h"
#include "app/MidiKeyboard.h"
#include "playback/VirtualAudioDevice.h"
#include "session/LiveRecorder.h"
#include "session/SoundSession.h"
#include "sound/MidiImport.h"
#include "views/NoteKeyboard.h"
#include "views/SoundBase.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryFile>

#include <RtMidi.h>
#include <jack/jack.h>

#include <unistd.h>

namespace
{
// Keys cross two JACK clients and the event loop; a loaded machine (a sanitizer build, two
// test programs at once) can take seconds over it.
constexpr int kDeliveryMs = 20000;

// Another program's keyboard: plays into Tarvok's own port, or offers a port of its own.
class CTestKeys
{
public:
    CTestKeys() : m_out(RtMidi::UNIX_JACK, "Tarvok Test Keys") {}

    bool PlayIntoTarvok()
    {
        for (unsigned i = 0; i < m_out.getPortCount(); ++i)
            if (m_out.getPortName(i).find(CMidiInput::kOwnPortName) != std::string::npos)
                m_out.openPort(i, "keys");
        const QByteArray own = QByteArray(CMidiInput::kClientName) + ':' + CMidiInput::kOwnPortName;
        return m_out.isPortOpen() && AwaitConnection(own.constData(), "Tarvok Test Keys:keys");
    }
    void OfferPort() { m_out.openVirtualPort("Test Keys Out"); }
    static constexpr const char* kOfferedPort = "JACK: Tarvok Test Keys:Test Keys Out";
    // Once Tarvok's connection to the offered port runs (its client's name is the server's).
    static bool AwaitTarvokListening()
    {
        return AwaitConnection("Tarvok Test Keys:Test Keys Out", nullptr);
    }

    void Down(int key, int velocity, int channel = 0) { Send(0x90 | channel, key, velocity); }
    // As many keyboards send a key up: a key down of velocity 0.
    void UpAsZeroVelocity(int key) { Send(0x90, key, 0); }
    void Up(int key) { Send(0x80, key, 64); }

private:
    // A key sent before the server runs the new connection in its cycles would be lost.
    // Connected to pszOther, or to anything when that is null.
    static bool AwaitConnection(const char* pszPort, const char* pszOther)
    {
        jack_client_t* pClient = jack_client_open("Tarvok Test Probe", JackNoStartServer, nullptr);
        if (pClient == nullptr)
            return false;
        const jack_port_t* pPort = jack_port_by_name(pClient, pszPort);
        bool bConnected = false;
        for (int i = 0; i < kDeliveryMs / 10 && pPort != nullptr && !bConnected; ++i)
        {
            bConnected = pszOther != nullptr ? jack_port_connected_to(pPort, pszOther) != 0
                                             : jack_port_connected(pPort) > 0;
            QTest::qWait(10);
        }
        jack_client_close(pClient);
        QTest::qWait(50);
        return bConnected;
    }

    void Send(int status, int key, int velocity)
    {
        const unsigned char message[3] = {static_cast<unsigned char>(status),
                                          static_cast<unsigned char>(key),
                                          static_cast<unsigned char>(velocity)};
        m_out.sendMessage(message, 3);
    }
    RtMidiOut m_out;
};

// The cell playing at song row pos on the channel; nothing where no pattern plays.
std::optional<SoundCell> SongCell(const CSoundDoc& doc, int channel, std::int32_t pos)
{
    const CSoundDoc::Placements placements = doc.GetPlacements(channel);
    auto it = placements.upper_bound(pos);
    if (it == placements.begin())
        return std::nullopt;
    --it;
    const CSoundPattern* pPattern = doc.FindPattern(it->second);
    if (pPattern == nullptr || pos - it->first >= pPattern->GetRows())
        return std::nullopt;
    return pPattern->GetCell(pos - it->first);
}

QAction* FindAction(const QMenu& menu, const QString& text)
{
    for (QAction* pAction : menu.actions())
        if (pAction->text() == text)
            return pAction;
    return nullptr;
}
} // namespace

class MidiKeyboardTest : public QObject
{
    Q_OBJECT

    // A new sound with the pattern editor on Voice0's pattern (placed at 0).
    bool StartEditing(CShell& shell)
    {
        if (!shell.Start() || !QTest::qWaitForWindowActive(shell.Frame()))
            return false;
        m_pDoc = shell.ActiveDoc();
        m_pSession = shell.app->Documents().GetSession(m_pDoc);
        m_pSession->SetCurrentPattern(m_pDoc->GetPatterns(0)[0].get());
        shell.ActiveFrame()->SetActivePane(1);
        return shell.Frame()->GetActiveView() == shell.ActiveFrame()->GetPane(1);
    }
    QMenu* MidiInputMenu(CShell& shell)
    {
        QMenu* pControl = nullptr;
        for (QAction* pAction : shell.Frame()->FindPopup(QStringLiteral("Sound &Resource"))->actions())
            if (pAction->menu() != nullptr && pAction->text() == QStringLiteral("Control"))
                pControl = pAction->menu();
        for (QAction* pAction : pControl->actions())
            if (pAction->menu() != nullptr && pAction->text() == QStringLiteral("MIDI Input"))
            {
                emit pAction->menu()->aboutToShow();
                return pAction->menu();
            }
        return nullptr;
    }

    CSoundDoc* m_pDoc = nullptr;
    CSoundSession* m_pSession = nullptr;

private slots:
    void init()
    {
        QSettings().clear();
        QSettings().sync();
    }

    void stepEntry_data()
    {
        QTest::addColumn<QStringList>("keys"); // d<key>:<velocity>, u<key>, z<key> (velocity 0)
        QTest::addColumn<int>("startRow");
        QTest::addColumn<int>("editStep");
        QTest::addColumn<bool>("keepAttenuation");
        QTest::addColumn<QStringList>("cells"); // <channel>:<song row>:<note>:<attenuation>
        QTest::addColumn<int>("cursorRow");
        const QString soft = QString::number(VelocityAttenuation(40));
        QTest::newRow("keys one after another, by the edit step")
            << QStringList{"d60:127", "u60", "d62:40", "u62"} << 0 << 2 << false
            << QStringList{"0:0:60:0", "0:2:62:" + soft} << 4;
        QTest::newRow("velocity 0 lets a key go")
            << QStringList{"d60:127", "z60", "d64:127"} << 0 << 1 << false
            << QStringList{"0:0:60:0", "0:1:64:0", "1:0:none"} << 2;
        QTest::newRow("a chord: the lowest key on the cursor's voice, new patterns elsewhere")
            << QStringList{"d64:127", "d60:40", "d67:127", "u64", "u60", "u67"} << 3 << 1
            << false << QStringList{"0:3:60:" + soft, "1:3:64:0", "2:3:67:0", "0:4:empty"} << 4;
        QTest::newRow("a fourth key has no voice left")
            << QStringList{"d60:127", "d64:127", "d67:127", "d72:127"} << 0 << 1 << false
            << QStringList{"0:0:60:0", "1:0:64:0", "2:0:67:0", "0:1:empty"} << 1;
        QTest::newRow("a key struck while one of the chord is still down joins it")
            << QStringList{"d60:127", "d64:127", "u60", "d55:127"} << 0 << 1 << false
            << QStringList{"0:0:55:0", "1:0:60:0", "2:0:64:0"} << 1;
        QTest::newRow("the attenuation kept")
            << QStringList{"d60:40", "d64:40"} << 0 << 1 << true
            << QStringList{"0:0:60:255", "1:0:64:255"} << 1;
        QTest::newRow("above A-9 is refused")
            << QStringList{"d118:127"} << 5 << 1 << false << QStringList{"0:5:empty"} << 5;
    }
    void stepEntry()
    {
        QFETCH(QStringList, keys);
        QFETCH(int, startRow);
        QFETCH(int, editStep);
        QFETCH(bool, keepAttenuation);
        QFETCH(QStringList, cells);
        QFETCH(int, cursorRow);
        CShell shell;
        QVERIFY(StartEditing(shell));
        CNoteKeyboard::Instance().SetEditStep(editStep);
        m_pSession->SetPatternCursor({0, startRow});
        if (keepAttenuation)
            QVERIFY(shell.Frame()->Trigger(ID_MIDI_KEEP_ATTENUATION));
        QVERIFY(shell.app->MidiKeyboard().IsAvailable());

        CTestKeys keyboard;
        QVERIFY(keyboard.PlayIntoTarvok());
        QSignalSpy taken(&shell.app->MidiKeyboard(), &CMidiKeyboard::NoteOn);
        QSignalSpy released(&shell.app->MidiKeyboard(), &CMidiKeyboard::NoteOff);
        for (const QString& key : keys)
        {
            const int nKey = key.mid(1).section(':', 0, 0).toInt();
            const int nDown = taken.count(), nUp = released.count();
            if (key.startsWith('d'))
                keyboard.Down(nKey, key.section(':', 1).toInt());
            else
                key.startsWith('z') ? keyboard.UpAsZeroVelocity(nKey) : keyboard.Up(nKey);
            // One at a time, as a person plays them.
            QTRY_VERIFY_WITH_TIMEOUT(taken.count() + released.count() == nDown + nUp + 1,
                                     kDeliveryMs);
        }
        for (const QString& expected : cells)
        {
            const QStringList parts = expected.split(':');
            const std::optional<SoundCell> cell =
                SongCell(*m_pDoc, parts[0].toInt(), parts[1].toInt());
            if (parts[2] == "none")
                QVERIFY2(!cell, qPrintable(expected));
            else if (parts[2] == "empty")
                QVERIFY2(cell && cell->note == NOTE_EMPTY, qPrintable(expected));
            else
            {
                QVERIFY2(cell, qPrintable(expected));
                QCOMPARE(int(cell->note), parts[2].toInt());
                QCOMPARE(int(cell->atten), parts[3].toInt());
            }
        }
        QCOMPARE(m_pSession->GetPatternCursor().row, cursorRow);
        QVERIFY(m_pDoc->Validate());
    }

    // Entered with Play Notes on, the key is heard while it is held and then no more.
    void aKeySoundsForAsLongAsItIsHeld()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr && QTest::qWaitForWindowActive(shell.Frame()));
        CSoundDoc* pDoc = shell.ActiveDoc();
        shell.app->Documents().GetSession(pDoc)->SetCurrentPattern(pDoc->GetPatterns(0)[0].get());
        shell.ActiveFrame()->SetActivePane(1);
        pDevice->SetRecording(true);
        const auto ticksSounding = [&](int nTicks)
        {
            pThread->WaitUntilHandled();
            pDevice->TakeOutput();
            for (int i = 0; i < nTicks; ++i)
            {
                pDevice->Advance(735);
                pThread->WaitUntilHandled();
            }
            const std::vector<std::int16_t> output = pDevice->TakeOutput();
            const auto last =
                std::find_if(output.rbegin(), output.rend(), [](auto s) { return s != 0; });
            return static_cast<int>(output.rend() - last + 734) / 735;
        };
        CTestKeys keyboard;
        QVERIFY(keyboard.PlayIntoTarvok());
        QSignalSpy keys(&shell.app->MidiKeyboard(), &CMidiKeyboard::NoteOn);
        QSignalSpy released(&shell.app->MidiKeyboard(), &CMidiKeyboard::NoteOff);
        keyboard.Down(69, 127);
        QTRY_COMPARE_WITH_TIMEOUT(keys.count(), 1, kDeliveryMs);
        QCOMPARE(ticksSounding(5), 5);
        keyboard.Up(69);
        QTRY_COMPARE_WITH_TIMEOUT(released.count(), 1, kDeliveryMs);
        QVERIFY(ticksSounding(20) <= 4);
        QCOMPARE(SongCell(*pDoc, 0, 0)->note, std::uint8_t{69});
    }

    void thePianoRollAddsTheKeyAtItsCursor()
    {
        CShell shell;
        QVERIFY(StartEditing(shell));
        shell.ActiveFrame()->ShowPianoRoll(true);
        shell.ActiveFrame()->SetActivePane(CSoundFrame::kPianoRollPane);
        QCOMPARE(shell.Frame()->GetActiveView(), shell.ActiveFrame()->GetPianoRoll());
        CTestKeys keyboard;
        QVERIFY(keyboard.PlayIntoTarvok());
        keyboard.Down(67, 40);
        QTRY_VERIFY_WITH_TIMEOUT(SongCell(*m_pDoc, 0, 0)->note == 67, kDeliveryMs);
        QCOMPARE(int(SongCell(*m_pDoc, 0, 0)->atten), int(VelocityAttenuation(40)));
    }

    void aChosenPortIsKeptUntilItGoes()
    {
        auto pOffered = std::make_unique<CTestKeys>();
        pOffered->OfferPort();
        {
            CShell shell;
            QVERIFY(StartEditing(shell));
            QMenu* pMenu = MidiInputMenu(shell);
            QVERIFY(pMenu != nullptr);
            QAction* pPort = FindAction(*pMenu, CTestKeys::kOfferedPort);
            QVERIFY(pPort != nullptr);
            QVERIFY(!pPort->isChecked());
            pPort->trigger();
            QVERIFY(FindAction(*MidiInputMenu(shell), CTestKeys::kOfferedPort)->isChecked());
        }
        // Connected again at the next start.
        CShell shell;
        QVERIFY(StartEditing(shell));
        CMidiKeyboard& input = shell.app->MidiKeyboard();
        QVERIFY(input.GetConnected().has_value());
        QVERIFY(CTestKeys::AwaitTarvokListening());
        QSignalSpy lost(&input, &CMidiKeyboard::PortLost);
        QSignalSpy released(&input, &CMidiKeyboard::NoteOff);
        pOffered->Down(60, 127);
        QTRY_COMPARE_WITH_TIMEOUT(int(SongCell(*m_pDoc, 0, 0)->note), 60, kDeliveryMs);

        // Gone with its key still down: the key is let go, the note stays.
        pOffered.reset();
        QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, kDeliveryMs);
        QCOMPARE(released.count(), 1);
        QCOMPARE(released[0][0].toInt(), 60);
        QCOMPARE(int(SongCell(*m_pDoc, 0, 0)->note), 60);
        QVERIFY(!input.GetConnected());
        QVERIFY(shell.Frame()->GetMessageText().contains(CTestKeys::kOfferedPort));
        QVERIFY(FindAction(*MidiInputMenu(shell), CTestKeys::kOfferedPort) == nullptr);
        // Tarvok's own port still takes keys.
        CTestKeys other;
        QVERIFY(other.PlayIntoTarvok());
        other.Down(62, 127);
        QTRY_COMPARE_WITH_TIMEOUT(int(SongCell(*m_pDoc, 0, 1)->note), 62, kDeliveryMs);
    }

    // While the sound records, keys play into the take on the rows heard, not at the cursor;
    // the port going mid-take ends the take with the key it let go, and the song plays on.
    void aTakeLandsOnItsRowsAndEndsWithItsPort()
    {
        auto pOffered = std::make_unique<CTestKeys>();
        pOffered->OfferPort();
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);
        shell.Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shell.Frame()));
        CSoundDoc& doc = *shell.ActiveDoc();
        // 150 BPM at 4 rows a beat: 6 ticks of 735 samples a row.
        doc.AssignProperties(SoundProperties{150, 16, 4});
        doc.AssignPlayRange({0, 32});
        CSoundSession& session = *shell.app->Documents().GetSession(&doc);
        CTickPlayer player(*pDevice, *pThread);
        session.Recorder().SetClock([&player] { return player.Now(); });
        session.SetCurrentPattern(doc.GetPatterns(0)[0].get());
        shell.ActiveFrame()->SetActivePane(1);
        session.SetPatternCursor(PatternCursor{0, 12});
        FindAction(*MidiInputMenu(shell), CTestKeys::kOfferedPort)->trigger();
        QVERIFY(shell.app->MidiKeyboard().GetConnected().has_value());
        QVERIFY(CTestKeys::AwaitTarvokListening());
        QSignalSpy released(&shell.app->MidiKeyboard(), &CMidiKeyboard::NoteOff);

        QVERIFY(shell.Frame()->Trigger(ID_SOUND_RECORD));
        // Each key is taken before the song moves on.
        QSignalSpy struck(&shell.app->MidiKeyboard(), &CMidiKeyboard::NoteOn);
        QVERIFY(player.PlayUntil(session, 3));
        pOffered->Down(64, 127);
        QTRY_COMPARE_WITH_TIMEOUT(struck.count(), 1, kDeliveryMs);
        QVERIFY(player.PlayUntil(session, 6));
        pOffered->Up(64);
        QTRY_COMPARE_WITH_TIMEOUT(released.count(), 1, kDeliveryMs);
        QVERIFY(player.PlayUntil(session, 8));
        pOffered->Down(67, 127);
        QTRY_COMPARE_WITH_TIMEOUT(struck.count(), 2, kDeliveryMs);
        QVERIFY(player.PlayUntil(session, 10));
        pOffered.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!session.Recorder().IsRecording(), kDeliveryMs);
        QVERIFY(session.IsPlaying());
        const auto noteAt = [&doc](int row)
        {
            const std::optional<SoundCell> cell = SongCell(doc, 0, row);
            return cell ? int(cell->note) : int(NOTE_EMPTY);
        };
        const std::pair<int, int> heard[] = {{3, 64}, {6, NOTE_OFF}, {8, 67}, {10, NOTE_OFF},
                                             {12, NOTE_EMPTY}};
        for (const auto& [row, note] : heard)
            QCOMPARE(noteAt(row), note);
        QVERIFY(doc.Validate().Ok());
        // One take, one step.
        QCOMPARE(session.Undo().Stack().count(), 1);
        session.Undo().Stack().undo();
        QCOMPARE(noteAt(3), int(NOTE_EMPTY));
    }

    void withoutAnyMidiSystem()
    {
        if (::access("/dev/snd/seq", R_OK | W_OK) == 0)
            QSKIP("this machine has an ALSA sequencer");
        const QByteArray server = qgetenv("JACK_DEFAULT_SERVER");
        qputenv("JACK_DEFAULT_SERVER", "tarvok-no-server-" + QByteArray::number(getpid()));
        QTemporaryFile errors;
        QVERIFY(errors.open());
        const int savedStderr = ::dup(STDERR_FILENO);
        ::dup2(errors.handle(), STDERR_FILENO);
        CMidiKeyboard keyboard;
        keyboard.Start();
        ::dup2(savedStderr, STDERR_FILENO);
        ::close(savedStderr);
        qputenv("JACK_DEFAULT_SERVER", server);

        // Read afresh: the descriptor's offset moved on with what was written through it.
        QCOMPARE(ReadAll(errors.fileName()), QByteArray());
        QVERIFY(!keyboard.IsAvailable());
        QMenu menu;
        keyboard.FillMenu(menu);
        QCOMPARE(menu.actions().size(), 1);
        QCOMPARE(menu.actions()[0]->text(), QString::fromLatin1(CMidiKeyboard::kNoInputText));
        QVERIFY(!menu.actions()[0]->isEnabled());
    }
};

TARVOK_SHELL_TEST_MAIN(MidiKeyboardTest)
#include "midi_keyboard_test.moc"
