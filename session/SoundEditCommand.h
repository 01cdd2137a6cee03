// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundDoc.h"

#include <QUndoCommand>

#include <cstddef>
#include <functional>

enum class EditorKind
{
    None, // a dialog: undo only repaints
    Sequence,
    Pattern,
    PianoRoll,
};

// Where an edit was made, so that undo and redo can take the user back there.
struct EditorPosition
{
    EditorKind editor = EditorKind::None;
    PatternId pattern = 0;
    PatternCursor patternCursor;
    SequencePos sequenceCursor;
    int scroll = 0;
};

// An editor that an undo step can take the user back to.
class ISoundEditor
{
public:
    virtual ~ISoundEditor() = default;
    virtual EditorKind Kind() const = 0;
    // Scrolls to a recorded position and takes the focus.
    virtual void ShowPosition(const EditorPosition& position) = 0;
    virtual bool IsInActiveWindow() const = 0;
};

class CSoundUndo;

// One undoable step: a pair of document edits and the position to return to. The edits are
// copyable closures over shared state, so the step can be cloned when old steps are dropped.
class CSoundEditCommand : public QUndoCommand
{
public:
    using Action = std::function<void(CSoundDoc&)>;

    CSoundEditCommand(CSoundUndo* pOwner, const QString& text, const EditorPosition& position,
                      Action redo, Action undo, std::size_t nCost);

    void redo() override;
    void undo() override;
    int id() const override { return m_nMergeId; }
    bool mergeWith(const QUndoCommand* pOther) override;

    // Steps with the same key merge (-1 never): repeated nudges of the same cells.
    void SetMergeKey(int nMergeId, std::uint64_t nKey);
    std::size_t Cost() const { return m_nCost; }
    CSoundEditCommand* Clone() const;

private:
    CSoundUndo* m_pOwner;
    EditorPosition m_position;
    Action m_redo;
    Action m_undo;
    std::size_t m_nCost;
    int m_nMergeId = -1;
    std::uint64_t m_nMergeKey = 0;
    bool m_bDone = false;
    PlayRange m_rangeBefore;
};
