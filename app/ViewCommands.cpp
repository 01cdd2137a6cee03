// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ViewCommands.h"

#include "app/CommandActions.h"
#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "views/FollowPlayback.h"
#include "views/PianoRollView.h"
#include "views/SoundFrame.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

#include <QStatusBar>
#include <QToolBar>

namespace
{
// The bar is made after the commands, with the menus.
void AddBarCommand(CCommandActions& commands, UINT nID, std::function<QWidget*()> bar)
{
    commands.Add(
        nID, [bar] { bar()->setVisible(bar()->isHidden()); },
        [bar] {
            return CommandState{true, !bar()->isHidden()};
        });
}
} // namespace

void CViewCommands::AddPianoRollCommands(CCommandActions& commands)
{
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    const auto frame = [pMainWnd] { return pMainWnd->GetActiveSoundFrame(); };
    commands.Add(
        ID_VIEW_PIANO_ROLL, [frame] { frame()->ShowPianoRoll(!frame()->IsPianoRollShown()); },
        [frame] {
            return CommandState{frame() != nullptr,
                                frame() != nullptr && frame()->IsPianoRollShown()};
        });
    commands.Add(
        ID_VIEW_PIANO_ROLL_ALONE, [frame] { frame()->SetPianoRollAlone(!frame()->IsPianoRollAlone()); },
        [frame] {
            return CommandState{frame() != nullptr,
                                frame() != nullptr && frame()->IsPianoRollAlone()};
        });
    const auto roll = [frame]
    {
        return frame() != nullptr && frame()->IsPianoRollShown()
                   ? qobject_cast<CPianoRollView*>(frame()->GetPianoRoll())
                   : nullptr;
    };
    const auto zoom = [&commands, roll](UINT nID, auto apply)
    {
        commands.Add(
            nID, [roll, apply] { apply(*roll()); },
            [roll] { return CommandState{roll() != nullptr}; });
    };
    zoom(ID_ZOOM_TIME_IN, [](CPianoRollView& view) { view.ZoomTime(1); });
    zoom(ID_ZOOM_TIME_OUT, [](CPianoRollView& view) { view.ZoomTime(-1); });
    zoom(ID_ZOOM_PITCH_IN, [](CPianoRollView& view) { view.ZoomPitch(1); });
    zoom(ID_ZOOM_PITCH_OUT, [](CPianoRollView& view) { view.ZoomPitch(-1); });
}

void CViewCommands::CreateActions(CCommandActions& commands)
{
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    AddBarCommand(commands, ID_VIEW_TOOLBAR, [pMainWnd] { return pMainWnd->GetToolBar(); });
    AddBarCommand(commands, ID_VIEW_STATUS_BAR, [pMainWnd] { return pMainWnd->statusBar(); });
    commands.Add(
        ID_VIEW_SOUNDBAR,
        [this] { m_app.ShowToolbar(IDR_SOUNDTYPE, !m_app.IsToolbarVisible(IDR_SOUNDTYPE)); },
        [this, pMainWnd]
        {
            return CommandState{pMainWnd->GetActiveView() != nullptr,
                                m_app.IsToolbarVisible(IDR_SOUNDTYPE)};
        });

    // Each editor hands the keys to the other one.
    const auto sequence = [pMainWnd]
    { return qobject_cast<CSoundSequenceView*>(pMainWnd->GetActiveView()); };
    const auto pattern = [pMainWnd]
    { return qobject_cast<CSoundPatternView*>(pMainWnd->GetActiveView()); };
    commands.Add(
        ID_VIEW_SEQUENCE_EDITOR, [pattern] { pattern()->OnSequenceEditor(); },
        [pattern] { return CommandState{pattern() != nullptr}; });
    commands.Add(
        ID_VIEW_PATTERN_EDITOR, [sequence] { sequence()->OnPatternEditor(); },
        [sequence] { return CommandState{sequence() != nullptr}; });

    AddPianoRollCommands(commands);

    CFollowPlayback& follow = CFollowPlayback::Instance();
    commands.Add(
        ID_VIEW_FOLLOW_PLAYBACK, [&follow] { follow.Set(!follow.IsOn()); },
        [&follow] {
            return CommandState{true, follow.IsOn()};
        });
}
