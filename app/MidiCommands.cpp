// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MidiCommands.h"

#include "app/CommandActions.h"
#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "app/MidiKeyboard.h"
#include "session/LiveRecorder.h"
#include "session/SoundSession.h"
#include "sound/LiveTake.h"
#include "sound/MidiImport.h"
#include "sound/SoundPattern.h"
#include "views/SoundBase.h"

#include <QSettings>

void CMidiCommands::CreateActions(CCommandActions& commands)
{
    m_bKeepAttenuation = QSettings().value(QLatin1String(kKeepAttenuationSetting), false).toBool();
    commands.Add(
        ID_MIDI_KEEP_ATTENUATION,
        [this]
        {
            m_bKeepAttenuation = !m_bKeepAttenuation;
            QSettings().setValue(QLatin1String(kKeepAttenuationSetting), m_bKeepAttenuation);
        },
        [this] { return CommandState{true, m_bKeepAttenuation}; });
}

void CMidiCommands::Listen(CMidiKeyboard& keyboard)
{
    connect(&keyboard, &CMidiKeyboard::NoteOn, this, &CMidiCommands::OnNoteOn);
    connect(&keyboard, &CMidiKeyboard::NoteOff, this, &CMidiCommands::OnNoteOff);
    connect(&keyboard, &CMidiKeyboard::PortLost, this, &CMidiCommands::OnPortLost);
}

void CMidiCommands::OnNoteOn(int key, int velocity, int channel)
{
    // Heard whatever has the focus, and whether or not notes are played as they are typed.
    m_app.Playback().HoldKey(m_app.Documents().GetActiveDocument(), key,
                             VelocityAttenuation(velocity), channel == kMidiDrumChannel);
    // Keys may still come in while the program ends.
    const CMainFrame* pFrame = m_app.GetMainFrame();
    CSoundBase* pView = pFrame != nullptr ? pFrame->GetActiveView() : nullptr;
    if (pView == nullptr)
        return;
    CLiveRecorder& recorder = pView->GetSession().Recorder();
    if (recorder.IsRecording())
    {
        m_keyTakes[key] = &recorder;
        m_pLastTake = &recorder;
        recorder.NoteOn(key, velocity, channel);
        return;
    }
    m_keyViews[key] = pView;
    pView->OnMidiKeyDown(key, m_bKeepAttenuation ? std::uint8_t{ATTEN_EMPTY}
                                                 : VelocityAttenuation(velocity));
}

void CMidiCommands::OnNoteOff(int key, int channel)
{
    m_app.Playback().LetGoKey(key, channel == kMidiDrumChannel);
    if (const auto take = m_keyTakes.find(key); take != m_keyTakes.end())
    {
        if (take->second != nullptr)
            take->second->NoteOff(key, channel);
        m_keyTakes.erase(take);
        return;
    }
    const auto it = m_keyViews.find(key);
    if (it == m_keyViews.end())
        return;
    if (it->second != nullptr)
        it->second->OnMidiKeyUp(key);
    m_keyViews.erase(it);
}

void CMidiCommands::OnPortLost(const QString& strPort)
{
    // The keyboard has let go of its keys before this, so what they played lands whole.
    if (m_pLastTake != nullptr && m_pLastTake->IsRecording())
        m_pLastTake->End();
    m_pLastTake = nullptr;
    m_app.SetIdleText(tr("The MIDI input %1 has gone").arg(strPort).toStdString());
}
