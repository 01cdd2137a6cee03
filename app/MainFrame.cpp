// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainFrame.h"

#include "app/CommandActions.h"
#include "app/EditorApp.h"
#include "app/ExportSizeStatus.h"
#include "resources/Icons.h"
#include "resources/ResourceTables.h"
#include "session/SoundSession.h"
#include "views/SoundBase.h"
#include "views/SoundFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>
#include <QUrl>

#include <algorithm>

namespace
{
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

CMainFrame::CMainFrame(CEditorApp* pApp) : m_pApp(pApp), m_pCommands(new CCommandActions(this))
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
    m_pSongLength = new QLabel(pStatusBar);
    m_pSongLength->setObjectName(QStringLiteral("SongLength"));
    m_pSongLength->setToolTip(tr("The sound's length in the game"));
    pStatusBar->addPermanentWidget(m_pSongLength);
    auto* pSizePane = new QLabel(pStatusBar);
    pSizePane->setObjectName(QStringLiteral("ExportSize"));
    pStatusBar->addPermanentWidget(pSizePane);
    m_pExportSize =
        new CExportSizeStatus(pSizePane,
                              [this]() -> const CSoundDoc*
                              {
                                  const CSoundFrame* pFrame = GetActiveSoundFrame();
                                  return pFrame != nullptr ? pFrame->GetDocument() : nullptr;
                              });
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
        m_menus[nID] = BuildMenu(nID);
    SwitchMenu(IDR_MAINFRAME);
    connect(m_pCommands, &CCommandActions::CommandRan, this, &CMainFrame::UpdateCommandStates);
    for (QToolBar* pBar : {m_pToolBar, m_pSoundBar})
        connect(pBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCommandStates);

    setAcceptDrops(true);
    LoadBarState();
    OnSetMessageString(AFX_IDS_IDLEMESSAGE);
    UpdateCommandStates();
    return true;
}

CSoundFrame* CMainFrame::GetActiveSoundFrame() const
{
    return m_pMdiArea != nullptr ? qobject_cast<CSoundFrame*>(m_pMdiArea->currentSubWindow())
                                 : nullptr;
}

CSoundBase* CMainFrame::GetActiveView() const
{
    const CSoundFrame* pFrame = GetActiveSoundFrame();
    return pFrame != nullptr ? qobject_cast<CSoundBase*>(pFrame->GetActivePane()) : nullptr;
}

void CMainFrame::AddSoundFrame(CSoundFrame* pFrame)
{
    m_pMdiArea->addSubWindow(pFrame);
    connect(pFrame, &QMdiSubWindow::windowTitleChanged, this, &CMainFrame::UpdateFrameTitle);
    connect(pFrame, &QObject::destroyed, this,
            [this] { OnSubWindowActivated(m_pMdiArea->currentSubWindow()); });
    connect(pFrame, &CSoundFrame::ActivePaneChanged, this, &CMainFrame::UpdateCommandStates);
    pFrame->installEventFilter(this);
    for (QWidget* pPane : {pFrame->GetPane(0), pFrame->GetPane(1), pFrame->GetPianoRoll()})
        if (auto* pView = qobject_cast<CSoundBase*>(pPane))
        {
            pView->installEventFilter(this);
            connect(pView, &CSoundBase::DocumentChanged, this, &CMainFrame::UpdateCommandStates);
            connect(pView, &CSoundBase::DocumentChanged, m_pExportSize,
                    &CExportSizeStatus::Schedule);
        }
    // What the editors' commands depend on; a document's second window connects again.
    CSoundSession* pSession = pFrame->GetSession();
    const QUndoStack* pStack = &pSession->Undo().Stack();
    for (const auto signal :
         {&CSoundSession::TransportChanged, &CSoundSession::CurrentPatternChanged})
        connect(pSession, signal, this, &CMainFrame::UpdateCommandStates, Qt::UniqueConnection);
    connect(pSession, &CSoundSession::MuteMaskChanged, this, &CMainFrame::UpdateCommandStates,
            Qt::UniqueConnection);
    connect(&pSession->Recorder(), &CLiveRecorder::RecordingChanged, this,
            &CMainFrame::UpdateCommandStates, Qt::UniqueConnection);
    connect(pSession, &CSoundSession::CurrentInstrumentChanged, this,
            &CMainFrame::UpdateCommandStates, Qt::UniqueConnection);
    connect(pStack, &QUndoStack::indexChanged, this, &CMainFrame::UpdateCommandStates,
            Qt::UniqueConnection);
    connect(pStack, &QUndoStack::cleanChanged, this, &CMainFrame::UpdateCommandStates,
            Qt::UniqueConnection);
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
    UpdateCommandStates();
    if (m_pExportSize != nullptr)
        m_pExportSize->Schedule();
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
    m_pApp->Recovery().UpdateAutosave();
    const CSoundFrame* pFrame = GetActiveSoundFrame();
    setWindowModified(pFrame != nullptr && pFrame->GetDocument()->IsModified());
    for (QMdiSubWindow* pWindow :
         m_pMdiArea != nullptr ? m_pMdiArea->subWindowList() : QList<QMdiSubWindow*>())
    {
        const auto* pSound = qobject_cast<const CSoundFrame*>(pWindow);
        // Set only when it changes: each setting is an event the filter sees.
        if (pSound != nullptr && pWindow->isWindowModified() != pSound->GetDocument()->IsModified())
            pWindow->setWindowModified(pSound->GetDocument()->IsModified());
    }
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
    // A first start takes the whole screen; the centred size is what "restore" gives.
    setWindowState(windowState() | Qt::WindowMaximized);
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
    // A message wider than the pane is read whole under the pointer.
    m_pMessagePane->setToolTip(m_pMessagePane->text());
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

bool CMainFrame::eventFilter(QObject* pObject, QEvent* pEvent)
{
    // A sound window marked saved or changed: this window's title says the same.
    if (pEvent->type() == QEvent::ModifiedChange)
        UpdateModifiedMarker();
    // An editor's key: the shortcuts are matched against the commands as they are now, and
    // the key of a disabled command goes nowhere else, as an accelerator's never does.
    const bool bEditor = qobject_cast<CSoundBase*>(pObject) != nullptr;
    if (bEditor && pEvent->type() == QEvent::ShortcutOverride)
        UpdateCommandStates();
    if (bEditor && pEvent->type() == QEvent::KeyPress &&
        m_pCommands->IsDisabledShortcut(*static_cast<QKeyEvent*>(pEvent)))
        return true;
    return QMainWindow::eventFilter(pObject, pEvent);
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
    if (!m_pApp->Documents().SaveAllModified())
    {
        event->ignore();
        return;
    }
    m_pApp->Documents().CloseAllDocuments();
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
        m_pApp->Documents().OpenDocumentFile(QFile::encodeName(path).toStdString());
}
