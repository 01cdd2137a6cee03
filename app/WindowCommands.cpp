// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowCommands.h"

#include "app/CommandActions.h"
#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "views/SoundFrame.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void CWindowCommands::CreateActions(CCommandActions& commands)
{
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    const auto frame = [pMainWnd] { return pMainWnd->GetActiveSoundFrame(); };
    const auto ofFrame = [frame] { return CommandState{frame() != nullptr}; };
    commands.Add(
        ID_WINDOW_NEW, [this, frame] { m_app.Documents().CreateNewFrame(frame()->GetDocument()); },
        ofFrame);
    commands.Add(
        ID_WINDOW_CASCADE, [pMainWnd] { pMainWnd->GetMdiArea()->cascadeSubWindows(); }, ofFrame);
    commands.Add(
        ID_WINDOW_TILE_HORZ, [pMainWnd] { pMainWnd->GetMdiArea()->tileSubWindows(); }, ofFrame);
    commands.Add(
        ID_WINDOW_ARRANGE, [this] { OnWindowArrange(); }, ofFrame);

    const auto twoPanes = [frame]
    {
        const CSoundFrame* pFrame = frame();
        return CommandState{pFrame != nullptr && pFrame->GetPane(1) != nullptr};
    };
    commands.Add(
        ID_NEXT_PANE, [frame] { frame()->OnNextPane(); }, twoPanes);
    commands.Add(
        ID_PREV_PANE, [frame] { frame()->OnPrevPane(); }, twoPanes);
}

void CWindowCommands::OnWindowArrange()
{
    const QMdiArea* pArea = m_app.GetMainFrame()->GetMdiArea();
    const QRect area = pArea->viewport()->rect();
    int x = 0;
    int y = -1;
    for (QMdiSubWindow* pWindow : pArea->subWindowList())
    {
        if (!pWindow->isMinimized())
            continue;
        const QSize size = pWindow->size();
        if (y < 0)
            y = area.bottom() + 1 - size.height();
        if (x > 0 && x + size.width() > area.width())
        {
            x = 0;
            y -= size.height();
        }
        pWindow->move(x, y);
        x += size.width();
    }
}
