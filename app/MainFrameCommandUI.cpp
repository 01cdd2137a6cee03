// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's command states: asking the command targets what each command may do, and
// bringing menus and toolbar buttons up to date with the answers.
#include "app/MainFrame.h"

#include "app/EditorApp.h"
#include "app/WindowTitles.h"
#include "resources/ResourceTables.h"
#include "views/SoundFrame.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>

CCmdUI CMainFrame::QueryCommandState(UINT nID)
{
    CCmdUI state(nID);
    bool bHandled = false;
    if (CSoundFrame* pFrame = GetActiveSoundFrame())
        bHandled = pFrame->OnCmdMsg(nID, &state);
    if (!bHandled)
        bHandled = OnCmdMsg(nID, &state);
    if (!bHandled)
        bHandled = m_pApp->OnCmdMsg(nID, &state);
    if (!bHandled)
        state.m_bEnabled = false;
    return state;
}

bool CMainFrame::ExecuteCommand(UINT nID)
{
    // A key or a stale button must not run what the update handlers disable.
    if (!QueryCommandState(nID).m_bEnabled)
        return false;
    if (CSoundFrame* pFrame = GetActiveSoundFrame())
        if (pFrame->OnCmdMsg(nID, nullptr))
            return true;
    if (OnCmdMsg(nID, nullptr))
        return true;
    return m_pApp->OnCmdMsg(nID, nullptr);
}

void CMainFrame::UpdateCommandUI()
{
    QHash<UINT, CCmdUI> states;
    UpdateModifiedMarker();
    for (QToolBar* pBar : {m_pToolBar, m_pSoundBar})
    {
        if (pBar == nullptr || pBar->isHidden())
            continue;
        for (QAction* pAction : pBar->actions())
        {
            const QVariant id = pAction->property(kCommandProperty);
            if (!id.isValid())
                continue;
            const UINT nID = id.toUInt();
            if (!states.contains(nID))
                states.insert(nID, QueryCommandState(nID));
            const CCmdUI& state = states[nID];
            pAction->setEnabled(state.m_bEnabled);
            pAction->setCheckable(state.m_bCheckable);
            if (state.m_bCheckable)
                pAction->setChecked(state.m_bChecked);
        }
    }
}

void CMainFrame::UpdateMenu(QMenu* pMenu)
{
    UpdateRecentFileMenu(pMenu);
    UpdateWindowMenu(pMenu);
    for (QAction* pAction : pMenu->actions())
    {
        const QVariant id = pAction->property(kCommandProperty);
        if (!id.isValid())
            continue;
        const CCmdUI state = QueryCommandState(id.toUInt());
        pAction->setEnabled(state.m_bEnabled);
        // Items whose text follows the state go back to their own text when nobody sets it.
        const char* pszOwnText = "tarvokOwnText";
        if (!state.m_strText.empty() && !pAction->property(pszOwnText).isValid())
            pAction->setProperty(pszOwnText, pAction->text());
        if (!state.m_strText.empty())
            pAction->setText(QString::fromStdString(state.m_strText));
        else if (pAction->property(pszOwnText).isValid())
            pAction->setText(pAction->property(pszOwnText).toString());
        pAction->setCheckable(state.m_bCheckable);
        if (state.m_bCheckable)
            pAction->setChecked(state.m_bChecked);
    }
}

void CMainFrame::UpdateRecentFileMenu(QMenu* pMenu)
{
    QAction* pPlaceholder = nullptr;
    for (QAction* pAction : pMenu->actions())
    {
        if (pAction->property(kDynamicProperty).toUInt() == ID_FILE_MRU_FILE1)
        {
            pMenu->removeAction(pAction);
            m_commandActions.remove(pAction->property(kCommandProperty).toUInt(), pAction);
            pAction->deleteLater();
        }
        else if (pAction->property(kCommandProperty).toUInt() == ID_FILE_MRU_FILE1)
            pPlaceholder = pAction;
    }
    if (pPlaceholder == nullptr)
        return;
    const CRecentFileList& list = m_pApp->GetRecentFileList();
    const int count = static_cast<int>(list.GetEntries().size());
    // With no recent files the placeholder stays, disabled, as the list's place.
    pPlaceholder->setVisible(count == 0);
    for (int i = 0; i < count; ++i)
    {
        QAction* pAction =
            CreateCommandAction(ID_FILE_MRU_FILE1 + i, list.GetDisplayName(i), pMenu);
        pAction->setProperty(kDynamicProperty, ID_FILE_MRU_FILE1);
        pMenu->insertAction(pPlaceholder, pAction);
    }
}

void CMainFrame::UpdateWindowMenu(QMenu* pMenu)
{
    bool bWindowMenu = false;
    for (QAction* pAction : pMenu->actions())
    {
        if (pAction->property(kDynamicProperty).toUInt() == AFX_IDM_FIRST_MDICHILD)
        {
            pMenu->removeAction(pAction);
            pAction->deleteLater();
        }
        else if (pAction->property(kCommandProperty).toUInt() == ID_WINDOW_NEW)
            bWindowMenu = true;
    }
    if (!bWindowMenu)
        return;
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    if (windows.isEmpty())
        return;
    QAction* pSeparator = pMenu->addSeparator();
    pSeparator->setProperty(kDynamicProperty, AFX_IDM_FIRST_MDICHILD);
    for (int i = 0; i < windows.size(); ++i)
    {
        QMdiSubWindow* pWindow = windows[i];
        QString title = WindowTitles::Shown(*pWindow);
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* pAction = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title), pMenu);
        pAction->setProperty(kDynamicProperty, AFX_IDM_FIRST_MDICHILD);
        pAction->setStatusTip(
            QString::fromStdString(GetPromptText(AFX_IDM_FIRST_MDICHILD + 1 + i)));
        pAction->setCheckable(true);
        pAction->setChecked(pWindow == m_pMdiArea->currentSubWindow());
        QPointer<QMdiSubWindow> pTarget = pWindow;
        connect(pAction, &QAction::triggered, this,
                [this, pTarget]
                {
                    if (pTarget != nullptr)
                        m_pMdiArea->setActiveSubWindow(pTarget);
                });
        pMenu->addAction(pAction);
    }
}
