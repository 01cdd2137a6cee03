// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <map>

class CCommandActions;
class CEditorApp;
class CLiveRecorder;
class CMidiKeyboard;
class CSoundBase;

// What the keys of a MIDI keyboard do: while the active editor's sound records, they play into
// its take; otherwise the active editor enters them (with an attenuation from their velocity
// unless MIDI Keys Keep Attenuation is on, kept in the settings). The status bar says when the
// port connected to goes, and a take it was playing into ends then, its notes kept.
class CMidiCommands : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kKeepAttenuationSetting = "Editor/MidiKeepAttenuation";

    explicit CMidiCommands(CEditorApp& app) : m_app(app) {}

    void CreateActions(CCommandActions& commands);
    // The keyboard's keys go to the editors from now on.
    void Listen(CMidiKeyboard& keyboard);

    void OnNoteOn(int key, int velocity, int channel);
    void OnNoteOff(int key, int channel);

private:
    void OnPortLost(const QString& strPort);

    CEditorApp& m_app;
    bool m_bKeepAttenuation = false;
    // The editor each key down went to gets its key up, wherever the focus is by then.
    std::map<int, QPointer<CSoundBase>> m_keyViews;
    // Likewise the take each key down went to, and the take the keys last played into.
    std::map<int, QPointer<CLiveRecorder>> m_keyTakes;
    QPointer<CLiveRecorder> m_pLastTake;
};
