// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundFrame.h"

#include "session/SoundSession.h"
#include "views/SoundViewFactory.h"
#include "views/VoiceScopes.h"

#include <QApplication>
#include <QCloseEvent>
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
    if (m_pScopeSource == nullptr)
        setWidget(pSplitter);
    else
    {
        auto* pClient = new QWidget(this);
        auto* pLayout = new QVBoxLayout(pClient);
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->setSpacing(2);
        pLayout->addWidget(CreateScopes());
        pLayout->addWidget(pSplitter, 1);
        setWidget(pClient);
    }
    // The area's tiling sizes windows freely; an explicit minimum holds against it.
    setMinimumSize(minimumSizeHint());
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
    if (m_pSplitter == nullptr || nColumn < 0 || nColumn >= m_pSplitter->count())
        return nullptr;
    return m_pSplitter->widget(nColumn);
}

QWidget* CSoundFrame::GetActivePane() const
{
    return GetPane(m_nActivePane);
}

void CSoundFrame::SetActivePane(int nColumn)
{
    if (QWidget* pPane = GetPane(nColumn))
    {
        m_nActivePane = nColumn;
        pPane->setFocus(Qt::OtherFocusReason);
    }
}

void CSoundFrame::OnFocusChanged(QWidget*, QWidget* pNow)
{
    for (int column = 0; column < 2; ++column)
    {
        const QWidget* pPane = GetPane(column);
        if (pPane != nullptr && pNow != nullptr && (pNow == pPane || pPane->isAncestorOf(pNow)))
            m_nActivePane = column;
    }
}

bool CSoundFrame::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    if (auto* pTarget = dynamic_cast<ICommandTarget*>(GetActivePane()))
        if (pTarget->OnCmdMsg(nID, pCmdUI))
            return true;
    if (OnMuteCommand(nID, pCmdUI))
        return true;
    switch (nID)
    {
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        if (pCmdUI != nullptr)
            pCmdUI->Enable(m_pSplitter != nullptr && m_pSplitter->count() > 1);
        else if (m_pSplitter != nullptr && m_pSplitter->count() > 0)
        {
            const int count = m_pSplitter->count();
            const int step = nID == ID_NEXT_PANE ? 1 : count - 1;
            SetActivePane((m_nActivePane + step) % count);
        }
        return true;
    default:
        return false;
    }
}

bool CSoundFrame::OnMuteCommand(UINT nID, CCmdUI* pCmdUI)
{
    if (nID >= ID_MUTE_VOICE0 && nID <= ID_MUTE_NOISE)
    {
        const int voice = static_cast<int>(nID - ID_MUTE_VOICE0);
        if (pCmdUI != nullptr)
            pCmdUI->SetCheck(((m_pSession->GetMuteMask() >> voice) & 1u) != 0);
        else
            m_pSession->ToggleMute(voice);
        return true;
    }
    if (nID >= ID_SOLO_VOICE0 && nID <= ID_SOLO_NOISE)
    {
        if (pCmdUI == nullptr)
            m_pSession->Solo(static_cast<int>(nID - ID_SOLO_VOICE0));
        return true;
    }
    if (nID == ID_UNMUTE_ALL)
    {
        if (pCmdUI != nullptr)
            pCmdUI->Enable(m_pSession->GetMuteMask() != 0);
        else
            m_pSession->SetMuteMask(0);
        return true;
    }
    return false;
}

void CSoundFrame::DestroyViews()
{
    // Focus moves while the editors go; nothing may reach them through the splitter then.
    disconnect(qApp, &QApplication::focusChanged, this, &CSoundFrame::OnFocusChanged);
    QSplitter* pSplitter = m_pSplitter;
    m_pSplitter = nullptr;
    delete pSplitter;
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
