// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/MidiInput.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <map>
#include <set>
#include <utility>
#include <vector>

class QMenu;
class QSocketNotifier;

// The MIDI keyboards for the editor's thread: Tarvok's own input ports, the port chosen in
// Sound Resource > Control > MIDI Input (kept in the settings and connected again at start),
// and the keys that come in, as signals on this thread.
class CMidiKeyboard : public QObject
{
    Q_OBJECT
public:
    // The port chosen last, as "<system>\n<port name>".
    static constexpr const char* kPortSetting = "MidiInput/Port";
    static constexpr const char* kNoInputText = "No MIDI input available";

    explicit CMidiKeyboard(QObject* pParent = nullptr);
    ~CMidiKeyboard() override;

    // Opens the own ports on the systems running and connects to the port chosen last when
    // it is there.
    void Start(const std::vector<MidiSystem>& systems = {MidiSystem::Alsa, MidiSystem::Jack});
    bool IsAvailable() const { return m_input.IsAvailable(); }

    // The MIDI Input submenu as it is now: a checkable entry per port, or the one disabled
    // entry without a MIDI system.
    void FillMenu(QMenu& menu);
    // Connects and remembers the choice; false when the port cannot be opened.
    bool Connect(const MidiPortName& port);
    // Forgets the choice.
    void Disconnect();
    const std::optional<MidiPortName>& GetConnected() const { return m_input.GetConnected(); }
    static QString MenuText(const MidiPortName& port);

signals:
    // channel: 0–15. A key's NoteOff always follows its NoteOn, also when its port goes.
    void NoteOn(int key, int velocity, int channel);
    void NoteOff(int key, int channel);
    // The port connected to has gone; its keys still down have been released.
    void PortLost(const QString& strPort);

private:
    void TakeEvents();
    void WatchConnection();
    void ReleaseKeys(MidiSource source);

    CMidiInput m_input;
    QSocketNotifier* m_pWake = nullptr;
    // Runs while a port is connected: the systems do not tell when one goes.
    QTimer m_watch;
    // The keys down, as (key, channel), by where they came from.
    std::map<MidiSource, std::set<std::pair<int, int>>> m_down;
};
