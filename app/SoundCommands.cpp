// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SoundCommands.h"

#include "app/CommandActions.h"
#include "app/EditorApp.h"
#include "app/InstrumentBox.h"
#include "app/MainFrame.h"
#include "session/SoundSession.h"
#include "sound/VoiceMute.h"
#include "views/NoteKeyboard.h"
#include "views/SoundFrame.h"
#include "views/SoundSequenceView.h"

#include <QComboBox>
#include <QSpinBox>

void CSoundCommands::CreateActions(CCommandActions& commands)
{
    AddTransportActions(commands);
    AddPatternAndRangeActions(commands);
    AddVoiceActions(commands);
    AddMuteActions(commands);
}

void CSoundCommands::AddTransportActions(CCommandActions& commands)
{
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    const auto view = [pMainWnd] { return pMainWnd->GetActiveView(); };
    // Of the active editor's sound: disabled without one, else as the test says.
    const auto rule = [view](bool (*test)(const CSoundSession&))
    {
        return [view, test]
        {
            const CSoundBase* pView = view();
            return CommandState{pView != nullptr && test(pView->GetSession())};
        };
    };
    commands.Add(
        ID_SOUND_PLAY, [view] { view()->OnPlay(); },
        rule([](const CSoundSession& s) { return !s.IsPlaying() || s.IsPaused(); }));
    commands.Add(
        ID_SOUND_PAUSE, [view] { view()->OnPause(); },
        rule([](const CSoundSession& s) { return s.IsPlaying() && !s.IsPaused(); }));
    commands.Add(
        ID_SOUND_STOP, [view] { view()->OnStop(); },
        rule([](const CSoundSession& s) { return s.IsPlaying(); }));
    commands.Add(
        ID_SOUND_RECORD, [view] { view()->OnRecord(); },
        [view]
        {
            const CSoundBase* pView = view();
            return pView != nullptr
                       ? CommandState{true, pView->GetSession().Recorder().IsRecording()}
                       : CommandState{false};
        });
    const auto always = rule([](const CSoundSession&) { return true; });
    commands.Add(
        ID_SOUND_PLAYFROM, [view] { view()->OnPlayFrom(); }, always);
    commands.Add(
        ID_SOUND_PROPERTIES, [view] { view()->OnProperties(); }, always);
    commands.Add(
        ID_SOUND_MANAGEPATTERNS, [view] { view()->OnManagePatterns(); }, always);
    commands.Add(
        ID_SOUND_PLAYNOTES,
        [view]
        {
            CSoundSession& session = view()->GetSession();
            session.SetPlayNotes(!session.GetPlayNotes());
        },
        [view]
        {
            const CSoundBase* pView = view();
            return pView != nullptr ? CommandState{true, pView->GetSession().GetPlayNotes()}
                                    : CommandState{false};
        });
}

void CSoundCommands::AddPatternAndRangeActions(CCommandActions& commands)
{
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    const auto view = [pMainWnd] { return pMainWnd->GetActiveView(); };
    const auto inView = [view] { return CommandState{view() != nullptr}; };
    // The play range's ends are the sequence editor's: disabled while the pattern editor has
    // the keys.
    const auto sequence = [pMainWnd]
    { return qobject_cast<CSoundSequenceView*>(pMainWnd->GetActiveView()); };
    const auto inSequence = [sequence] { return CommandState{sequence() != nullptr}; };
    commands.Add(
        ID_PATTERN_NEW, [view] { view()->OnNewPattern(); }, inView);
    commands.Add(
        ID_RANGE_START, [sequence] { sequence()->OnSetStartPosition(); }, inSequence);
    commands.Add(
        ID_RANGE_END, [sequence] { sequence()->OnSetEndPosition(); }, inSequence);
    commands.Add(
        ID_RANGE_WHOLE, [view] { view()->OnWholeSongRange(); }, inView);
    commands.Add(
        ID_SOUND_INSTRUMENTS, [pMainWnd] { pMainWnd->GetActiveSoundFrame()->ShowInstruments(); },
        [pMainWnd] { return CommandState{pMainWnd->GetActiveSoundFrame() != nullptr}; });
    commands.Add(
        ID_PATTERN_PROPERTIES, [view] { view()->OnPatternProperties(); },
        [view]
        {
            const CSoundBase* pView = view();
            return CommandState{pView != nullptr && pView->GetPropertiesPattern() != nullptr};
        });
}

void CSoundCommands::AddVoiceActions(CCommandActions& commands)
{
    CNoteKeyboard& keyboard = CNoteKeyboard::Instance();
    commands.Add(
        ID_NOTEKEYS_POSITION, [&keyboard] { keyboard.SetByPosition(!keyboard.IsByPosition()); },
        [&keyboard] {
            return CommandState{true, keyboard.IsByPosition()};
        });
    commands.Add(
        ID_RECORD_TO_STEP, [&keyboard] { keyboard.SetRecordToStep(!keyboard.IsRecordToStep()); },
        [&keyboard] {
            return CommandState{true, keyboard.IsRecordToStep()};
        });
    commands.AddControl(IDC_SOUND_OCTAVE,
                        [&keyboard](QWidget* pParent) { return keyboard.CreateSpinBox(pParent); });
    commands.AddControl(IDC_SOUND_EDITSTEP, [&keyboard](QWidget* pParent)
                        { return keyboard.CreateEditStepSpinBox(pParent); });
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    commands.AddControl(IDC_SOUND_INSTRUMENT,
                        [pMainWnd, &commands](QWidget* pParent)
                        {
                            auto* pBox = new CInstrumentBox(
                                pParent,
                                [pMainWnd]
                                {
                                    const CSoundFrame* pFrame = pMainWnd->GetActiveSoundFrame();
                                    return pFrame != nullptr ? pFrame->GetSession() : nullptr;
                                });
                            QObject::connect(&commands, &CCommandActions::StatesUpdated, pBox,
                                             &CInstrumentBox::Refresh);
                            return pBox;
                        });

    CChipChoice& choice = m_app.ChipChoice();
    for (const ChipCommand& chip : kChipCommands)
        commands.Add(
            chip.nID, [&choice, chip] { choice.Set(chip.kind); },
            [&choice, chip] {
                return CommandState{true, choice.Get() == chip.kind};
            });
    for (const FadeCommand& fade : kFadeCommands)
        commands.Add(
            fade.nID, [&choice, fade] { choice.ChooseFade(fade.kind); },
            [&choice, fade] {
                return CommandState{true, choice.ShownFade() == fade.kind};
            });
    commands.AddControl(IDC_SOUND_CHIP,
                        [&choice](QWidget* pParent) { return choice.CreateComboBox(pParent); });
}

void CSoundCommands::AddMuteActions(CCommandActions& commands)
{
    // Of the active window's sound: every window of it hears the same voices.
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    const auto session = [pMainWnd]
    {
        const CSoundFrame* pFrame = pMainWnd->GetActiveSoundFrame();
        return pFrame != nullptr ? pFrame->GetSession() : nullptr;
    };
    for (int voice = 0; voice < IChipWrites::kVoices; ++voice)
    {
        commands.Add(
            ID_MUTE_VOICE0 + voice, [session, voice] { session()->ToggleMute(voice); },
            [session, voice]
            {
                const CSoundSession* pSession = session();
                return pSession != nullptr
                           ? CommandState{true, IsVoiceMuted(pSession->GetMuteMask(), voice)}
                           : CommandState{false};
            });
        commands.Add(
            ID_SOLO_VOICE0 + voice, [session, voice] { session()->Solo(voice); },
            [session] { return CommandState{session() != nullptr}; });
    }
    commands.Add(
        ID_UNMUTE_ALL, [session] { session()->SetMuteMask(0); },
        [session]
        {
            const CSoundSession* pSession = session();
            return CommandState{pSession != nullptr && pSession->GetMuteMask() != 0};
        });
}
