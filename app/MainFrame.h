// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"

#include <QHash>
#include <QMainWindow>

#include <vector>

class CCommandActions;
class CEditorApp;
class CExportSizeStatus;
class CSoundBase;
class CSoundFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

// The main window: the area holding the sound windows, the two toolbars, the status bar, the
// two menu sets and the actions of the commands.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMainFrame(CEditorApp* pApp);
    ~CMainFrame() override;

    // The commands, added by the application's command groups before OnCreate lays them out.
    CCommandActions& Commands() const { return *m_pCommands; }
    // Builds menus and bars from the commands and restores the bars' arrangement; false on
    // failure.
    bool OnCreate();

    QMdiArea* GetMdiArea() const { return m_pMdiArea; }
    CSoundFrame* GetActiveSoundFrame() const;
    // The editor the commands of the active sound window act on: its focused pane, or the one
    // that had the focus last; null without a sound window.
    CSoundBase* GetActiveView() const;
    // Lays out a new sound window; its editors' keys and its session's changes reach the
    // commands from now on.
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

    // The command's action; null for an identifier that names none.
    QAction* Action(UINT nID) const;
    // Runs the command unless its rule disables it now; whether it ran.
    bool Trigger(UINT nID);
    // Every command's state, every window's modified mark and the sound's length in the game,
    // as they are now.
    void UpdateCommandStates();
    QMenu* FindPopup(const QString& strTitle) const;

    // Bars, status bar and the window's geometry (maximized or not).
    void SaveBarState() const;
    void LoadBarState();
    // The stored geometry, or on a first start most of the screen, centred.
    void RestoreGeometry();
    // size made small enough for the area the sound windows live in (as it is once shown).
    QSize FitToWorkArea(QSize size) const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Sound windows made before the window was first shown are fitted to the area then.
    bool m_bFittedAtFirstShow = false;
    std::vector<QMenu*> BuildMenu(UINT nID);
    QMenu* AddPopup(const QString& strText, QMenu* pParent);
    QToolBar* CreateToolBar(UINT nResourceID, const QString& strTitle);
    void OnSubWindowActivated(QMdiSubWindow* pWindow);
    void SwitchMenu(UINT nID);
    void FillMidiInputMenu(QMenu& menu);
    // The Window menu's list of the open windows, made again each time it opens.
    void UpdateWindowMenu(QMenu* pMenu);
    void UpdateFrameTitle();
    void UpdateModifiedMarker();
    void UpdateSongLength();

    CEditorApp* m_pApp;
    CCommandActions* m_pCommands;
    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QToolBar* m_pSoundBar = nullptr;
    QLabel* m_pMessagePane = nullptr;
    QLabel* m_pSongLength = nullptr;
    CExportSizeStatus* m_pExportSize = nullptr;
    QHash<UINT, std::vector<QMenu*>> m_menus;
    UINT m_nCurrentMenu = 0;
    // The Window menu's entries for the open windows.
    QList<QAction*> m_windowList;
    // Bars whose visibility changes when pending events are done.
    QHash<const QToolBar*, bool> m_pendingShow;
    bool m_bDestroying = false;
    QString m_title;
};
