// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditCommands.h"

#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "session/SoundSession.h"
#include "views/SoundBase.h"

#include <QUndoStack>

CommandState CEditCommands::UndoState(const QUndoStack& stack)
{
    const bool bCan = stack.canUndo();
    return CommandState(
        bCan, std::nullopt,
        (bCan ? QStringLiteral("&Undo ") + stack.undoText() : QStringLiteral("&Undo")) +
            QStringLiteral("\tCtrl+Z"));
}

CommandState CEditCommands::RedoState(const QUndoStack& stack)
{
    const bool bCan = stack.canRedo();
    return CommandState(
        bCan, std::nullopt,
        (bCan ? QStringLiteral("&Redo ") + stack.redoText() : QStringLiteral("&Redo")) +
            QStringLiteral("\tCtrl+Y"));
}

void CEditCommands::CreateActions(CCommandActions& commands)
{
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    const auto view = [pMainWnd] { return pMainWnd->GetActiveView(); };
    // The history rules: disabled, with the menu's own text, without an editor.
    const auto history = [view](CommandState (*state)(const QUndoStack&))
    {
        return [view, state]
        {
            const CSoundBase* pView = view();
            return pView != nullptr ? state(pView->GetSession().Undo().Stack())
                                    : CommandState{false};
        };
    };
    commands.Add(
        ID_EDIT_UNDO, [view] { view()->OnEditUndo(); }, history(&UndoState));
    commands.Add(
        ID_EDIT_REDO, [view] { view()->OnEditRedo(); }, history(&RedoState));
    commands.Add(
        ID_EDIT_HISTORY, [view] { view()->OnEditHistory(); },
        [view] { return CommandState{view() != nullptr}; });

    const auto clipboard = [view]
    {
        const CSoundBase* pView = view();
        return CommandState{pView != nullptr && pView->CanUseClipboard()};
    };
    commands.Add(
        ID_EDIT_CUT, [view] { view()->OnEditCut(); }, clipboard);
    commands.Add(
        ID_EDIT_COPY, [view] { view()->OnEditCopy(); }, clipboard);
    commands.Add(
        ID_EDIT_PASTE, [view] { view()->OnEditPaste(); }, clipboard);
    commands.Add(
        ID_EDIT_DELETE, [view] { view()->OnEditDelete(); },
        [view]
        {
            const CSoundBase* pView = view();
            return CommandState{pView != nullptr && pView->CanDelete()};
        });
}
