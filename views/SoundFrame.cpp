// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundFrame.h"

#include "session/SoundSession.h"
#include "views/InstrumentWindow.h"
#include "views/SoundViewFactory.h"
#include "views/VoiceScopes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QSettings>
#include <QSplitter>
#include <QVBoxLayout>

CSoundFrame::CSoundFrame(CSoundSession* pSession, ISoundFrameOwner* pOwner,
                         const IVoiceScopeSource* pScopeSource)
    : m_pSession(pSession), m_pDoc(pSession->GetDocument()), m_pOwner(pOwner),
      m_pScopeSource(pScopeSource)
{
    setAttribute(Qt::WA_DeleteOnClose);
    connect(qApp, &QApplication::focusChanged, this, &CSoundFrame::OnFocusChanged);
}

CSoundFrame::~CSoundFrame()
{
    // The editors unregister from the document as they go; make that happen now, while the
    // document is certainly alive.
    DestroyViews();
}

bool CSoundFrame::OnCreateClient()
{
    auto* pSplitter = new QSplitter(Qt::Horizontal, this);
    pSplitter->setChildrenCollapsible(false);
    QWidget* pSequence = CreateSoundView(SoundPane::Sequence, m_pSession, pSplitter);
    QWidget* pPattern = CreateSoundView(SoundPane::Pattern, m_pSession, pSplitter);
    if (pSequence == nullptr || pPattern == nullptr)
    {
        delete pSplitter;
        return false;
    }
    pSplitter->addWidget(pSequence);
    pSplitter->addWidget(pPattern);
    // Wide enough to read a few steps and a whole row, however the windows are tiled.
    pSequence->setMinimumWidth(3 * kMinimumPaneWidth);
    pPattern->setMinimumWidth(4 * kMinimumPaneWidth);
    // The sequence editor keeps its width as the window grows; the pattern editor takes the rest.
    pSplitter->setStretchFactor(0, 0);
    pSplitter->setStretchFactor(1, 1);
    pSplitter->setSizes({kSequenceIdealWidth, kPatternIdealWidth});
    m_pSplitter = pSplitter;
    auto* pRollSplitter = new QSplitter(Qt::Vertical);
    pRollSplitter->addWidget(pSplitter);
    m_pPianoRoll = CreateSoundView(SoundPane::PianoRoll, m_pSession, pRollSplitter);
    pRollSplitter->addWidget(m_pPianoRoll);
    pRollSplitter->setCollapsible(1, false);
    pRollSplitter->setStretchFactor(0, 1);
    pRollSplitter->setStretchFactor(1, 1);
    m_pRollSplitter = pRollSplitter;
    const QSettings settings;
    m_pPianoRoll->setVisible(settings.value(QStringLiteral("View/PianoRoll"), false).toBool());
    pSplitter->setVisible(!settings.value(QStringLiteral("View/PianoRollAlone"), false).toBool() ||
                          m_pPianoRoll->isHidden());
    if (!pRollSplitter->restoreState(
            settings.value(QStringLiteral("View/PianoRollSplitter")).toByteArray()))
        pRollSplitter->setSizes({300, 300});
    connect(pRollSplitter, &QSplitter::splitterMoved, this, [this] { SavePianoRollLayout(); });
    if (m_pScopeSource == nullptr)
        setWidget(pRollSplitter);
    else
    {
        auto* pClient = new QWidget(this);
        auto* pLayout = new QVBoxLayout(pClient);
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->setSpacing(2);
        pLayout->addWidget(CreateScopes());
        pLayout->addWidget(pRollSplitter, 1);
        setWidget(pClient);
    }
    // The area's tiling sizes windows freely; an explicit minimum holds against it.
    setMinimumSize(minimumSizeHint());
    if (pSplitter->isHidden())
        SetActivePane(kPianoRollPane);
    else
        pSequence->setFocus(Qt::OtherFocusReason);
    return true;
}

QWidget* CSoundFrame::CreateScopes()
{
    m_pScopes = new CVoiceScopes(*m_pScopeSource);
    m_pScopes->setObjectName(QStringLiteral("VoiceScopes"));
    m_pScopes->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_pScopes->SetMuteMask(m_pSession->GetMuteMask());
    // Every window of the document shows the one mask of its session.
    connect(m_pSession, &CSoundSession::MuteMaskChanged, m_pScopes, &CVoiceScopes::SetMuteMask);
    connect(m_pScopes, &CVoiceScopes::MuteClicked, m_pSession, &CSoundSession::ToggleMute);
    connect(m_pScopes, &CVoiceScopes::SoloClicked, m_pSession, &CSoundSession::Solo);
    return m_pScopes;
}

bool CSoundFrame::eventFilter(QObject* pObject, QEvent* pEvent)
{
    // The main window makes its own title from this window's; left to the toolkit, a
    // maximized window would add " - [name]" to it again.
    if (pObject != this && pObject == window() && pEvent->type() == QEvent::WindowTitleChange)
        return false;
    return QMdiSubWindow::eventFilter(pObject, pEvent);
}

QWidget* CSoundFrame::GetPane(int nColumn) const
{
    if (nColumn == kPianoRollPane)
        return m_pRollSplitter != nullptr && IsPianoRollShown() ? m_pPianoRoll : nullptr;
    if (m_pSplitter == nullptr || nColumn < 0 || nColumn >= m_pSplitter->count())
        return nullptr;
    return m_pSplitter->widget(nColumn);
}

int CSoundFrame::PaneCount() const
{
    return m_pSplitter == nullptr ? 0 : IsPianoRollShown() ? 3 : 2;
}

bool CSoundFrame::IsPianoRollShown() const
{
    return m_pPianoRoll != nullptr && !m_pPianoRoll->isHidden();
}

bool CSoundFrame::IsPianoRollAlone() const
{
    return IsPianoRollShown() && m_pSplitter != nullptr && m_pSplitter->isHidden();
}

void CSoundFrame::ShowPianoRoll(bool bShow)
{
    if (m_pPianoRoll == nullptr || m_pSplitter == nullptr)
        return;
    m_pPianoRoll->setVisible(bShow);
    if (!bShow)
    {
        m_pSplitter->setVisible(true);
        if (m_nActivePane == kPianoRollPane)
            SetActivePane(0);
    }
    else
    {
        SetActivePane(kPianoRollPane);
    }
    SavePianoRollLayout();
    emit ActivePaneChanged();
}

void CSoundFrame::SetPianoRollAlone(bool bAlone)
{
    if (m_pSplitter == nullptr)
        return;
    if (bAlone)
        ShowPianoRoll(true);
    m_pSplitter->setVisible(!bAlone);
    if (bAlone && m_nActivePane != kPianoRollPane)
        SetActivePane(kPianoRollPane);
    SavePianoRollLayout();
    emit ActivePaneChanged();
}

void CSoundFrame::SavePianoRollLayout() const
{
    if (m_pRollSplitter == nullptr)
        return;
    QSettings settings;
    settings.setValue(QStringLiteral("View/PianoRoll"), IsPianoRollShown());
    settings.setValue(QStringLiteral("View/PianoRollAlone"), IsPianoRollAlone());
    if (IsPianoRollShown() && !IsPianoRollAlone())
        settings.setValue(QStringLiteral("View/PianoRollSplitter"), m_pRollSplitter->saveState());
}

QWidget* CSoundFrame::GetActivePane() const
{
    return GetPane(m_nActivePane);
}

void CSoundFrame::SetActivePane(int nColumn)
{
    if (QWidget* pPane = GetPane(nColumn))
    {
        SetActivePaneIndex(nColumn);
        pPane->setFocus(Qt::OtherFocusReason);
    }
}

void CSoundFrame::SetActivePaneIndex(int nColumn)
{
    if (nColumn == m_nActivePane)
        return;
    m_nActivePane = nColumn;
    emit ActivePaneChanged();
}

void CSoundFrame::OnNextPane()
{
    MovePane(1);
}

void CSoundFrame::OnPrevPane()
{
    MovePane(-1);
}

void CSoundFrame::MovePane(int nStep)
{
    const int count = PaneCount();
    if (count == 0)
        return;
    int nPane = m_nActivePane;
    // Panes hidden by the piano roll filling the window are passed over.
    for (int i = 0; i < count; ++i)
    {
        nPane = ((nPane + nStep) % count + count) % count;
        if (GetPane(nPane) != nullptr && GetPane(nPane)->isVisibleTo(this))
            break;
    }
    SetActivePane(nPane);
}

void CSoundFrame::OnFocusChanged(QWidget*, QWidget* pNow)
{
    for (int column = 0; column <= kPianoRollPane; ++column)
    {
        const QWidget* pPane = GetPane(column);
        if (pPane != nullptr && pNow != nullptr && (pNow == pPane || pPane->isAncestorOf(pNow)))
            SetActivePaneIndex(column);
    }
}

void CSoundFrame::DestroyViews()
{
    // Focus moves while the editors go; nothing may reach them through the splitter then.
    disconnect(qApp, &QApplication::focusChanged, this, &CSoundFrame::OnFocusChanged);
    QSplitter* pSplitter = m_pRollSplitter;
    m_pSplitter = nullptr;
    m_pRollSplitter = nullptr;
    m_pPianoRoll = nullptr;
    delete pSplitter;
    delete m_pInstruments.data();
}

CInstrumentWindow* CSoundFrame::GetInstruments() const
{
    return m_pInstruments;
}

CInstrumentWindow* CSoundFrame::ShowInstruments()
{
    if (m_pInstruments == nullptr)
    {
        m_pInstruments = new CInstrumentWindow(*m_pSession, window());
        m_pInstruments->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_pInstruments->show();
    m_pInstruments->raise();
    m_pInstruments->activateWindow();
    return m_pInstruments;
}

void CSoundFrame::DestroyFrame()
{
    m_bDestroying = true;
    DestroyViews();
    close();
}

void CSoundFrame::closeEvent(QCloseEvent* event)
{
    if (!m_bDestroying)
    {
        if (m_pOwner != nullptr && !m_pOwner->OnCloseFrame(this))
        {
            event->ignore();
            return;
        }
    }
    QMdiSubWindow::closeEvent(event);
}
