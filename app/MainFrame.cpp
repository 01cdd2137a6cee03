// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainFrame.h"

#include "app/EditorApp.h"
#include "app/WindowTitles.h"
#include "resources/Icons.h"
#include "resources/ResourceTables.h"
#include "views/SoundFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

#include <algorithm>
#include <map>

namespace
{
// How often toolbar buttons are brought up to date while the program is idle.
constexpr int kIdleUpdateMs = 100;

QString BarStateKey()
{
    return QStringLiteral("Toolbars/State");
}

QString GeometryKey()
{
    return QStringLiteral("MainFrame/Geometry");
}

// The first start's size, of the screen's free area, centred on it.
constexpr double kDefaultScreenShare = 0.8;

QString StatusBarKey()
{
    return QStringLiteral("Toolbars/StatusBar");
}
} // namespace

CMainFrame::CMainFrame(CEditorApp* pApp) : m_pApp(pApp)
{
    setObjectName(QStringLiteral("MainFrame"));
}

CMainFrame::~CMainFrame()
{
    // Sound windows still open go with the base class; nothing may be updated for them then.
    m_bDestroying = true;
    if (m_pMdiArea != nullptr)
    {
        disconnect(m_pMdiArea, nullptr, this, nullptr);
        // Closed windows not yet deleted are not in the area's list, but still children.
        for (QMdiSubWindow* pWindow : m_pMdiArea->findChildren<QMdiSubWindow*>())
            disconnect(pWindow, nullptr, this, nullptr);
    }
}

bool CMainFrame::OnCreate()
{
    setWindowTitle(QString::fromStdString(LoadResourceString(IDR_MAINFRAME)));
    setWindowIcon(ApplicationIcon());

    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    m_pToolBar = CreateToolBar(IDR_MAINFRAME, QStringLiteral("Toolbar"));
    m_pSoundBar = CreateToolBar(IDR_SOUNDTYPE, QStringLiteral("Sound Bar"));
    if (m_pToolBar == nullptr || m_pSoundBar == nullptr)
        return false;
    // Both on the top row, the sound toolbar right of the main one.
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    addToolBar(Qt::TopToolBarArea, m_pSoundBar);
    m_pSoundBar->hide();

    QStatusBar* pStatusBar = statusBar();
    m_pMessagePane = new QLabel(pStatusBar);
    m_pMessagePane->setObjectName(QStringLiteral("MessagePane"));
    pStatusBar->addWidget(m_pMessagePane, 1);
    // The lock-key indicators: the toolkit has no portable way to read the lock states, so
    // the panes only keep their places.
    for (const char* indicator : {"CAP", "NUM", "SCRL"})
    {
        auto* pPane = new QLabel(pStatusBar);
        pPane->setObjectName(QString::fromLatin1(indicator));
        pPane->setMinimumWidth(
            pPane->fontMetrics().horizontalAdvance(QString::fromLatin1(indicator)) + 8);
        pStatusBar->addPermanentWidget(pPane);
    }

    for (const UINT nID : {IDR_MAINFRAME, IDR_SOUNDTYPE})
    {
        m_menus[nID] = BuildMenu(nID);
        CreateAccelerators(nID);
    }
    SwitchMenu(IDR_MAINFRAME);

    setAcceptDrops(true);
    LoadBarState();
    OnSetMessageString(AFX_IDS_IDLEMESSAGE);

    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setInterval(kIdleUpdateMs);
    connect(m_pIdleTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    m_pIdleTimer->start();
    return true;
}

QAction* CMainFrame::CreateCommandAction(UINT nID, const QString& strText, QObject* pParent)
{
    auto* pAction = new QAction(strText, pParent);
    pAction->setProperty(kCommandProperty, nID);
    pAction->setStatusTip(QString::fromStdString(GetPromptText(nID)));
    const QString tooltip = QString::fromStdString(GetTooltipText(nID));
    if (!tooltip.isEmpty())
        pAction->setToolTip(tooltip);
    connect(pAction, &QAction::triggered, this, [this, nID] { ExecuteCommand(nID); });
    m_commandActions.insert(nID, pAction);
    return pAction;
}

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
        {
            pBar->addSeparator();
            continue;
        }
        if (QWidget* pControl = m_pApp->CreateToolbarControl(nID, pBar))
        {
            pBar->addWidget(pControl);
            continue;
        }
        QAction* pAction =
            CreateCommandAction(nID, QString::fromStdString(GetTooltipText(nID)), pBar);
        pAction->setIcon(CommandIcon(nID));
        pBar->addAction(pAction);
    }
    return pBar;
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
            auto* pMenu = new QMenu(text, this);
            popups.push_back(pMenu);
            open[0] = pMenu;
            connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu] { UpdateMenu(pMenu); });
            continue;
        }
        QMenu* pParent = open[entry.nLevel - 1];
        if (entry.bRadio)
        {
            // An exclusive group is what makes the menu draw radio marks.
            if (pRadioGroup == nullptr)
                pRadioGroup = new QActionGroup(pParent);
            QAction* pAction = CreateCommandAction(entry.nID, text, pParent);
            pAction->setCheckable(true);
            pRadioGroup->addAction(pAction);
            pParent->addAction(pAction);
            continue;
        }
        pRadioGroup = nullptr;
        if (entry.pszText == nullptr)
            pParent->addSeparator();
        else if (entry.nID == 0)
        {
            QMenu* pSubMenu = pParent->addMenu(text);
            open[entry.nLevel] = pSubMenu;
            connect(pSubMenu, &QMenu::aboutToShow, this,
                    [this, pSubMenu] { UpdateMenu(pSubMenu); });
        }
        else
            pParent->addAction(CreateCommandAction(entry.nID, text, pParent));
    }
    return popups;
}

void CMainFrame::CreateAccelerators(UINT nID)
{
    // Keys of one command go on one action so that the toolkit sees no ambiguity.
    std::map<UINT, QList<QKeySequence>> keysByCommand;
    for (const AccelEntry& entry : GetAcceleratorResource(nID))
        keysByCommand[entry.nID].append(QKeySequence(QString::fromLatin1(entry.pszKeys)));
    for (const auto& [nCommand, keys] : keysByCommand)
    {
        auto* pAction = new QAction(this);
        pAction->setShortcuts(keys);
        pAction->setShortcutContext(Qt::WindowShortcut);
        pAction->setProperty(kCommandProperty, nCommand);
        connect(pAction, &QAction::triggered, this, [this, nCommand] { ExecuteCommand(nCommand); });
        addAction(pAction);
        m_accelerators[nID].push_back(pAction);
    }
}

CSoundFrame* CMainFrame::GetActiveSoundFrame() const
{
    return m_pMdiArea != nullptr ? qobject_cast<CSoundFrame*>(m_pMdiArea->currentSubWindow())
                                 : nullptr;
}

void CMainFrame::AddSoundFrame(CSoundFrame* pFrame)
{
    m_pMdiArea->addSubWindow(pFrame);
    connect(pFrame, &QMdiSubWindow::windowTitleChanged, this, &CMainFrame::UpdateFrameTitle);
    connect(pFrame, &QObject::destroyed, this,
            [this] { OnSubWindowActivated(m_pMdiArea->currentSubWindow()); });
}

void CMainFrame::KeepInsideWorkspace(QMdiSubWindow* pFrame) const
{
    if (pFrame->isMaximized())
        return;
    const QRect area = m_pMdiArea->viewport()->rect();
    const QRect frame = pFrame->geometry();
    pFrame->move(std::clamp(frame.x(), 0, std::max(area.width() - frame.width(), 0)),
                 std::clamp(frame.y(), 0, std::max(area.height() - frame.height(), 0)));
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow*)
{
    if (m_bDestroying)
        return;
    // The toolkit reports "nothing active" also when the whole program loses the focus; the
    // window that will be active again is what decides the menu.
    SwitchMenu(GetActiveSoundFrame() != nullptr ? IDR_SOUNDTYPE : IDR_MAINFRAME);
    UpdateFrameTitle();
    UpdateCommandUI();
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
    // A sound window brings its own accelerators on top of the main window's.
    for (QAction* pAction : m_accelerators[IDR_SOUNDTYPE])
        pAction->setEnabled(nID == IDR_SOUNDTYPE);
}

QMenu* CMainFrame::FindPopup(const QString& strTitle) const
{
    for (QAction* pAction : menuBar()->actions())
        if (pAction->menu() != nullptr && pAction->text() == strTitle)
            return pAction->menu();
    return nullptr;
}

void CMainFrame::UpdateFrameTitle()
{
    const QString appTitle = QString::fromStdString(LoadResourceString(IDR_MAINFRAME));
    const CSoundFrame* pFrame = GetActiveSoundFrame();
    // The window's title already holds its modified mark.
    m_title = pFrame != nullptr ? pFrame->windowTitle() + QStringLiteral(" \u2013 ") + appTitle
                                : appTitle;
    setWindowTitle(m_title);
    UpdateModifiedMarker();
}

void CMainFrame::UpdateModifiedMarker()
{
    const CSoundFrame* pFrame = GetActiveSoundFrame();
    setWindowModified(pFrame != nullptr && pFrame->GetDocument()->IsModified());
    for (QMdiSubWindow* pWindow :
         m_pMdiArea != nullptr ? m_pMdiArea->subWindowList() : QList<QMdiSubWindow*>())
        if (const auto* pSound = qobject_cast<const CSoundFrame*>(pWindow))
            pWindow->setWindowModified(pSound->GetDocument()->IsModified());
}

void CMainFrame::RestoreGeometry()
{
    QSettings settings;
    if (restoreGeometry(settings.value(GeometryKey()).toByteArray()))
        return;
    const QScreen* pScreen = screen();
    if (pScreen == nullptr)
        return;
    const QRect available = pScreen->availableGeometry();
    const QSize size = available.size() * kDefaultScreenShare;
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

QSize CMainFrame::FitToWorkArea(QSize size) const
{
    // Before the first show the area has no size of its own yet.
    const QSize area = m_pMdiArea->viewport()->size();
    return !isVisible() || area.isEmpty() ? size : size.boundedTo(area);
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_bFittedAtFirstShow)
        return;
    m_bFittedAtFirstShow = true;
    const QSize area = m_pMdiArea->viewport()->size();
    for (QMdiSubWindow* pWindow : m_pMdiArea->subWindowList())
    {
        if (pWindow->isMaximized() || pWindow->isMinimized())
            continue;
        QRect geometry(pWindow->pos(), FitToWorkArea(pWindow->size()));
        geometry.moveTo(
            std::clamp(geometry.x(), 0, std::max(0, area.width() - geometry.width())),
            std::clamp(geometry.y(), 0, std::max(0, area.height() - geometry.height())));
        pWindow->setGeometry(geometry);
    }
}

bool CMainFrame::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    switch (nID)
    {
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
    {
        QWidget* pBar = nID == ID_VIEW_TOOLBAR ? static_cast<QWidget*>(m_pToolBar) : statusBar();
        if (pCmdUI != nullptr)
            pCmdUI->SetCheck(!pBar->isHidden());
        else
            pBar->setVisible(pBar->isHidden());
        return true;
    }
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_DEFAULT_HELP:
        if (pCmdUI == nullptr)
            m_pApp->ShowHelp();
        return true;
    case ID_HELP_KEYS:
        if (pCmdUI == nullptr)
            m_pApp->ShowHelp("keyboard");
        return true;
    case ID_CONTEXT_HELP:
        if (pCmdUI == nullptr)
            QWhatsThis::enterWhatsThisMode();
        return true;
    case ID_WINDOW_NEW:
    case ID_WINDOW_ARRANGE:
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
    {
        CSoundFrame* pFrame = GetActiveSoundFrame();
        if (pCmdUI != nullptr)
            pCmdUI->Enable(pFrame != nullptr);
        else if (nID == ID_WINDOW_NEW && pFrame != nullptr)
            m_pApp->CreateNewFrame(pFrame->GetDocument());
        else if (nID == ID_WINDOW_CASCADE)
            m_pMdiArea->cascadeSubWindows();
        else if (nID == ID_WINDOW_TILE_HORZ)
            m_pMdiArea->tileSubWindows();
        else if (nID == ID_WINDOW_ARRANGE)
            OnWindowArrange();
        return true;
    }
    default:
        return false;
    }
}

void CMainFrame::OnWindowArrange()
{
    // Minimized windows in a row along the bottom edge, in window order.
    const QRect area = m_pMdiArea->viewport()->rect();
    int x = 0;
    int y = -1;
    for (QMdiSubWindow* pWindow : m_pMdiArea->subWindowList())
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

void CMainFrame::OnSetMessageString(UINT nID, const QString* pText)
{
    if (nID == AFX_IDS_IDLEMESSAGE)
    {
        nID = m_pApp->m_nIdleMessageID;
        if (nID == 0)
            pText = &m_pApp->m_strIdleText;
    }
    if (m_pMessagePane == nullptr)
        return;
    if (nID != 0)
        m_pMessagePane->setText(QString::fromStdString(GetPromptText(nID)));
    else
        m_pMessagePane->setText(pText != nullptr ? *pText : QString());
}

QString CMainFrame::GetMessageText() const
{
    return m_pMessagePane != nullptr ? m_pMessagePane->text() : QString();
}

void CMainFrame::ShowControlBar(QToolBar* pBar, bool bShow, bool bDelay)
{
    if (pBar == nullptr)
        return;
    if (!bDelay)
    {
        m_pendingShow.remove(pBar);
        pBar->setVisible(bShow);
        return;
    }
    const bool bWasPending = m_pendingShow.contains(pBar);
    m_pendingShow[pBar] = bShow;
    if (bWasPending)
        return;
    QPointer<QToolBar> pTarget = pBar;
    QTimer::singleShot(0, this,
                       [this, pTarget]
                       {
                           if (pTarget == nullptr || !m_pendingShow.contains(pTarget))
                               return;
                           const bool bVisible = m_pendingShow.take(pTarget);
                           if (pTarget->isHidden() == bVisible)
                               pTarget->setVisible(bVisible);
                       });
}

bool CMainFrame::IsControlBarVisible(const QToolBar* pBar) const
{
    if (pBar == nullptr)
        return false;
    const auto it = m_pendingShow.constFind(pBar);
    return it != m_pendingShow.constEnd() ? *it : !pBar->isHidden();
}

void CMainFrame::SaveBarState() const
{
    QSettings settings;
    settings.setValue(GeometryKey(), saveGeometry());
    settings.setValue(BarStateKey(), saveState());
    settings.setValue(StatusBarKey(), !statusBar()->isHidden());
}

void CMainFrame::LoadBarState()
{
    QSettings settings;
    const QByteArray state = settings.value(BarStateKey()).toByteArray();
    if (!state.isEmpty())
        restoreState(state);
    statusBar()->setVisible(settings.value(StatusBarKey(), true).toBool());
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip)
    {
        // An empty tip means the fly-by prompt is over: back to the idle prompt.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (tip.isEmpty())
            OnSetMessageString(AFX_IDS_IDLEMESSAGE);
        else
            OnSetMessageString(0, &tip);
        return true;
    }
    const bool bHandled = QMainWindow::event(event);
    // A maximized sound window's toolkit appends its name to this title, and restores an old
    // one when it is restored; the title made here is the one that counts.
    if (event->type() == QEvent::WindowTitleChange && !m_title.isEmpty() &&
        windowTitle() != m_title)
        setWindowTitle(m_title);
    return bHandled;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Stored even when the person then cancels the closing.
    SaveBarState();
    if (!m_pApp->SaveAllModified())
    {
        event->ignore();
        return;
    }
    m_pApp->CloseAllDocuments();
    m_pIdleTimer->stop();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasUrls())
        return;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
        {
            event->acceptProposedAction();
            return;
        }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    for (const QString& path : paths)
        m_pApp->OpenDocumentFile(QFile::encodeName(path).toStdString());
}
