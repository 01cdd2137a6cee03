// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/SoundUndo.h"

#include "session/SoundSession.h"

#include "sound/SoundDoc.h"

#include <vector>

CSoundUndo::CSoundUndo(CSoundSession& session) : m_session(session), m_pDoc(session.GetDocument())
{
    // An imported or recovered document has no saved state for undo to return to.
    if (m_pDoc->IsModified())
        m_stack.resetClean();
    connect(&m_stack, &QUndoStack::cleanChanged, this, &CSoundUndo::OnCleanChanged);
}

CSoundUndo::~CSoundUndo()
{
    delete m_pHistory;
}

void CSoundUndo::SyncClean()
{
    if (!m_pDoc->IsModified() && !m_stack.isClean())
        m_stack.setClean();
    else if (m_pDoc->IsModified() && m_stack.isClean())
        m_stack.resetClean();
}

void CSoundUndo::OnCleanChanged(bool bClean)
{
    if (!m_bReplaying)
        m_pDoc->SetModifiedFlag(!bClean);
}

void CSoundUndo::Push(CSoundEditCommand* pCommand)
{
    SyncClean();
    m_stack.push(pCommand);
    DropOldest();
}

void CSoundUndo::Undo()
{
    SyncClean();
    m_stack.undo();
}

void CSoundUndo::Redo()
{
    SyncClean();
    m_stack.redo();
}

std::size_t CSoundUndo::HistoryCost() const
{
    std::size_t nTotal = 0;
    for (int i = 0; i < m_stack.count(); ++i)
        if (const auto* pCommand = dynamic_cast<const CSoundEditCommand*>(m_stack.command(i)))
            nTotal += pCommand->Cost();
    return nTotal;
}

// QUndoStack cannot drop its oldest steps: the newest ones are cloned into an emptied stack
// without being carried out again.
void CSoundUndo::DropOldest()
{
    std::size_t nTotal = HistoryCost();
    const int n = m_stack.count();
    int nDrop = 0;
    while (nTotal > m_nBudget && nDrop < n - 1)
        nTotal -= static_cast<const CSoundEditCommand*>(m_stack.command(nDrop++))->Cost();
    if (nDrop == 0 || m_stack.index() != n)
        return;
    std::vector<CSoundEditCommand*> kept;
    for (int i = nDrop; i < n; ++i)
        kept.push_back(static_cast<const CSoundEditCommand*>(m_stack.command(i))->Clone());
    const int nClean = m_stack.cleanIndex() - nDrop;
    m_bReplaying = true;
    m_stack.clear();
    for (std::size_t i = 0; i < kept.size(); ++i)
    {
        if (nClean == static_cast<int>(i))
            m_stack.setClean();
        m_stack.push(kept[i]);
    }
    if (nClean == static_cast<int>(kept.size()))
        m_stack.setClean();
    else if (nClean < 0)
        m_stack.resetClean();
    m_bReplaying = false;
}

void CSoundUndo::ReturnTo(const EditorPosition& position)
{
    if (position.editor == EditorKind::None)
        return;
    m_session.SetSequenceCursor(position.sequenceCursor);
    if (const CSoundPattern* pPattern = m_pDoc->FindPattern(position.pattern))
    {
        m_session.SetCurrentPattern(pPattern);
        m_session.SetPatternCursor(position.patternCursor);
    }
    ISoundEditor* pTarget = nullptr;
    for (IDocumentView* pView : m_pDoc->GetViews())
    {
        auto* pEditor = dynamic_cast<ISoundEditor*>(pView);
        if (pEditor == nullptr)
            continue;
        pView->OnUpdate(nullptr);
        if (pEditor->Kind() == position.editor &&
            (pTarget == nullptr || pEditor->IsInActiveWindow()))
            pTarget = pEditor;
    }
    if (pTarget != nullptr)
        pTarget->ShowPosition(position);
}
