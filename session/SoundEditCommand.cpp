// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/SoundEditCommand.h"

#include "session/SoundUndo.h"
#include "sound/PlayRangeFollow.h"

CSoundEditCommand::CSoundEditCommand(CSoundUndo* pOwner, const QString& text,
                                     const EditorPosition& position, Action redo, Action undo,
                                     std::size_t nCost)
    : QUndoCommand(text), m_pOwner(pOwner), m_position(position), m_redo(std::move(redo)),
      m_undo(std::move(undo)), m_nCost(nCost)
{
}

void CSoundEditCommand::redo()
{
    if (m_pOwner->IsReplaying())
        return;
    CSoundDoc& doc = *m_pOwner->GetDocument();
    m_rangeBefore = doc.GetPlayRange();
    const std::int32_t songEndBefore = doc.GetWholeSongEnd();
    m_redo(doc);
    const PlayRange range =
        FollowSong(m_rangeBefore, songEndBefore, doc.GetPlayRange(), doc.GetWholeSongEnd());
    if (range != doc.GetPlayRange())
        doc.SetPlayRange(range);
    // The first time, the editor that made the change is still where it was made.
    if (m_bDone)
        m_pOwner->ReturnTo(m_position);
    m_bDone = true;
}

void CSoundEditCommand::undo()
{
    if (m_pOwner->IsReplaying())
        return;
    CSoundDoc& doc = *m_pOwner->GetDocument();
    m_undo(doc);
    // The range may have followed the song; it goes back with the edit.
    if (doc.GetPlayRange() != m_rangeBefore)
        doc.SetPlayRange(m_rangeBefore);
    m_pOwner->ReturnTo(m_position);
}

void CSoundEditCommand::SetMergeKey(int nMergeId, std::uint64_t nKey)
{
    m_nMergeId = nMergeId;
    m_nMergeKey = nKey;
}

bool CSoundEditCommand::mergeWith(const QUndoCommand* pOther)
{
    const auto* pNext = dynamic_cast<const CSoundEditCommand*>(pOther);
    if (pNext == nullptr || pNext->m_nMergeKey != m_nMergeKey || m_pOwner->IsReplaying())
        return false;
    // The first step's undo already restores what was there before both; the history
    // names what both made.
    m_redo = pNext->m_redo;
    setText(pNext->text());
    return true;
}

CSoundEditCommand* CSoundEditCommand::Clone() const
{
    auto* pCopy = new CSoundEditCommand(m_pOwner, text(), m_position, m_redo, m_undo, m_nCost);
    pCopy->m_bDone = true;
    pCopy->m_rangeBefore = m_rangeBefore;
    return pCopy;
}
