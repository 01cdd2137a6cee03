// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"
#include "views/CommandTarget.h"

#include <QHash>
#include <QMainWindow>
#include <QMultiHash>

#include <vector>

class CEditorApp;
class CSoundFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

// What CMainFrame keeps on each of its actions: the command it sends, and the generated list
// (recent files, windows) it belongs to.
inline constexpr char kCommandProperty[] = "tarvokCommand";
inline constexpr char kDynamicProperty[] = "tarvokDynamic";

// The main window: the area holding the sound windows, the two toolbars, the status bar, the
// two menu sets and the commands behind them.
class CMainFrame : public QMainWindow, public ICommandTarget
{
    Q_OBJECT
public:
    explicit CMainFrame(CEditorApp* pApp);
    ~CMainFrame() override;

    // Builds menus, bars and shortcuts and restores the bars' arrangement; false on failure.
    bool OnCreate();

    QMdiArea* GetMdiArea() const { return m_pMdiArea; }
    CSoundFrame* GetActiveSoundFrame() const;
    void AddSoundFrame(CSoundFrame* pFrame);
    // Moves a shown window back inside the area, where the cascade may have started it past
    // the edge.
    void KeepInsideWorkspace(QMdiSubWindow* pFrame) const;

    // Shows a string resource (nID) or a text in the message pane. The standard idle
    // prompt is replaced by the application's current one.
    void OnSetMessageString(UINT nID, const QString* pText = nullptr);
    QString GetMessageText() const;

    QToolBar* GetToolBar() const { return m_pToolBar; }
    QToolBar* GetSoundBar() const { return m_pSoundBar; }
    // Shows or hides a bar; with bDelay the change waits until pending events are handled,
    // so a focus passing from one editor to the other does not make the bar flicker.
    void ShowControlBar(QToolBar* pBar, bool bShow, bool bDelay);
    // Visibility as it will be once pending changes are done.
    bool IsControlBarVisible(const QToolBar* pBar) const;

    // Runs a command through the routing if its update handler leaves it enabled.
    bool ExecuteCommand(UINT nID);
    // The state the routing gives a command now (disabled when nobody handles it).
    CCmdUI QueryCommandState(UINT nID);
    void UpdateCommandUI();
    // The menu set in force: IDR_SOUNDTYPE while a sound window is active, else IDR_MAINFRAME.
    UINT GetCurrentMenuID() const { return m_nCurrentMenu; }
    QMenu* FindPopup(const QString& strTitle) const;
    QList<QAction*> GetCommandActions(UINT nID) const { return m_commandActions.values(nID); }

    bool OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;

    // Bars, status bar and the window's geometry (maximized or not).
    void SaveBarState() const;
    void LoadBarState();
    // The stored geometry, or on a first start most of the screen, centred.
    void RestoreGeometry();
    // size made small enough for the area the sound windows live in (as it is once shown).
    QSize FitToWorkArea(QSize size) const;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Sound windows made before the window was first shown are fitted to the area then.
    bool m_bFittedAtFirstShow = false;
    QAction* CreateCommandAction(UINT nID, const QString& strText, QObject* pParent);
    std::vector<QMenu*> BuildMenu(UINT nID);
    QToolBar* CreateToolBar(UINT nResourceID, const QString& strTitle);
    void CreateAccelerators(UINT nID);
    void OnSubWindowActivated(QMdiSubWindow* pWindow);
    void SwitchMenu(UINT nID);
    void UpdateMenu(QMenu* pMenu);
    void UpdateRecentFileMenu(QMenu* pMenu);
    void UpdateWindowMenu(QMenu* pMenu);
    void OnWindowArrange();
    void UpdateFrameTitle();
    void UpdateModifiedMarker();

    CEditorApp* m_pApp;
    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QToolBar* m_pSoundBar = nullptr;
    QLabel* m_pMessagePane = nullptr;
    QHash<UINT, std::vector<QMenu*>> m_menus;
    UINT m_nCurrentMenu = 0;
    // Every menu item, toolbar button and accelerator, by command.
    QMultiHash<UINT, QAction*> m_commandActions;
    QHash<UINT, std::vector<QAction*>> m_accelerators;
    // Bars whose visibility changes when pending events are done.
    QHash<const QToolBar*, bool> m_pendingShow;
    class QTimer* m_pIdleTimer = nullptr;
    bool m_bDestroying = false;
    QString m_title;
};
