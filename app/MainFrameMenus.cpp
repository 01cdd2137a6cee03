// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menus and toolbars, laid out from the resource tables with the commands'
// actions, and the states of those actions.
#include "app/MainFrame.h"

#include "app/CommandActions.h"
#include "app/EditorApp.h"
#include "app/MidiKeyboard.h"
#include "app/WindowTitles.h"
#include "resources/ResourceTables.h"
#include "sound/GameTempo.h"
#include "views/SoundFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QToolBar>

#include <map>

QToolBar* CMainFrame::CreateToolBar(UINT nResourceID, const QString& strTitle)
{
    const ToolbarResource* pResource = GetToolbarResource(nResourceID);
    if (pResource == nullptr)
        return nullptr;
    auto* pBar = new QToolBar(strTitle, this);
    pBar->setObjectName(QString::fromLatin1(pResource->pszName));
    pBar->setIconSize(QSize(16, 15));
    pBar->setAllowedAreas(Qt::AllToolBarAreas);
    pBar->setFloatable(true);
    pBar->setMovable(true);
    for (const UINT nID : pResource->buttons)
    {
        if (nID == 0)
            pBar->addSeparator();
        else if (QAction* pAction = Action(nID))
            pBar->addAction(pAction);
        else
            return nullptr;
    }
    return pBar;
}

QMenu* CMainFrame::AddPopup(const QString& strText, QMenu* pParent)
{
    QMenu* pMenu = pParent != nullptr ? pParent->addMenu(strText) : new QMenu(strText, this);
    connect(pMenu, &QMenu::aboutToShow, this,
            [this, pMenu]
            {
                UpdateWindowMenu(pMenu);
                UpdateCommandStates();
            });
    return pMenu;
}

std::vector<QMenu*> CMainFrame::BuildMenu(UINT nID)
{
    std::vector<QMenu*> popups;
    std::map<int, QMenu*> open; // the popup being filled at each level
    QActionGroup* pRadioGroup = nullptr;
    for (const MenuEntry& entry : GetMenuResource(nID))
    {
        const QString text =
            entry.pszText != nullptr ? QString::fromUtf8(entry.pszText) : QString();
        if (entry.nLevel == 0)
        {
            popups.push_back(open[0] = AddPopup(text, nullptr));
            continue;
        }
        QMenu* pParent = open[entry.nLevel - 1];
        if (!entry.bRadio)
            pRadioGroup = nullptr;
        if (entry.pszText == nullptr)
            pParent->addSeparator();
        else if (entry.nID == 0)
            open[entry.nLevel] = AddPopup(text, pParent);
        else if (entry.nID == ID_MIDI_INPUT_PORTS)
        {
            // The ports come and go: the list is made each time its menu opens.
            FillMidiInputMenu(*pParent);
            connect(pParent, &QMenu::aboutToShow, this, [this, pParent] { FillMidiInputMenu(*pParent); });
        }
        else if (entry.nID == ID_FILE_MRU_FILE1)
        {
            // The recent-file list's place holds an entry for each file it can list.
            for (int i = 0; i < kRecentFileCount; ++i)
                pParent->addAction(Action(ID_FILE_MRU_FILE1 + i));
        }
        else if (QAction* pAction = Action(entry.nID))
        {
            if (entry.bRadio)
            {
                // An exclusive group is what makes the menu draw radio marks.
                if (pRadioGroup == nullptr)
                    pRadioGroup = new QActionGroup(this);
                pAction->setCheckable(true);
                pRadioGroup->addAction(pAction);
            }
            pParent->addAction(pAction);
        }
    }
    return popups;
}

void CMainFrame::FillMidiInputMenu(QMenu& menu)
{
    m_pApp->MidiKeyboard().FillMenu(menu);
}

void CMainFrame::SwitchMenu(UINT nID)
{
    if (m_nCurrentMenu == nID)
        return;
    m_nCurrentMenu = nID;
    QMenuBar* pMenuBar = menuBar();
    pMenuBar->clear();
    for (QMenu* pMenu : m_menus[nID])
        pMenuBar->addMenu(pMenu);
    m_pCommands->UseMenuSet(nID);
}

QMenu* CMainFrame::FindPopup(const QString& strTitle) const
{
    for (QAction* pAction : menuBar()->actions())
        if (pAction->menu() != nullptr && pAction->text() == strTitle)
            return pAction->menu();
    return nullptr;
}

QAction* CMainFrame::Action(UINT nID) const
{
    return m_pCommands->Find(nID);
}

bool CMainFrame::Trigger(UINT nID)
{
    return m_pCommands->Trigger(nID);
}

void CMainFrame::UpdateCommandStates()
{
    if (m_bDestroying)
        return;
    m_pCommands->UpdateStates();
    UpdateModifiedMarker();
    UpdateSongLength();
}

void CMainFrame::UpdateSongLength()
{
    if (m_pSongLength == nullptr)
        return;
    const CSoundFrame* pFrame = GetActiveSoundFrame();
    m_pSongLength->setText(pFrame != nullptr
                               ? QString::fromStdString(SongLengthText(*pFrame->GetDocument()))
                               : QString());
}

void CMainFrame::UpdateWindowMenu(QMenu* pMenu)
{
    if (!pMenu->actions().contains(Action(ID_WINDOW_NEW)))
        return;
    for (QAction* pAction : std::as_const(m_windowList))
    {
        pMenu->removeAction(pAction);
        pAction->deleteLater();
    }
    m_windowList.clear();
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowList.append(pMenu->addSeparator());
    for (int i = 0; i < windows.size(); ++i)
    {
        QMdiSubWindow* pWindow = windows[i];
        QString title = WindowTitles::Shown(*pWindow);
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* pAction = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title), pMenu);
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
        m_windowList.append(pAction);
    }
}
