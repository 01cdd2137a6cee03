// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/SoundEditCommand.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class CSoundSession;

// Every change the editors and dialogs make to a sound, each one undoable step on the
// session's history.
namespace SoundEdits
{
// Which steps merge into the one before: repeated nudges of the same cells, or the digit
// that completes a typed value (of the same cells and typing, told apart by nTyping).
enum MergeKind
{
    kMergeNone = -1,
    kMergeAttenuation = 1,
    kMergeTyping = 2,
};

void SetCells(CSoundSession& session, const EditorPosition& at, const QString& text, PatternId id,
              std::int32_t row, const std::vector<SoundCell>& cells, MergeKind merge = kMergeNone,
              std::uint32_t nTyping = 0);
void InsertRow(CSoundSession& session, const EditorPosition& at, PatternId id, std::int32_t row);
void DeleteRow(CSoundSession& session, const EditorPosition& at, PatternId id, std::int32_t row);

void SetPlacement(CSoundSession& session, const EditorPosition& at, const QString& text,
                  const SequencePos& pos, PatternId id);
void MovePlacement(CSoundSession& session, const EditorPosition& at, const SequencePos& from,
                   const SequencePos& to);
void InsertStep(CSoundSession& session, const EditorPosition& at, int channel, std::int32_t step);
void DeleteStep(CSoundSession& session, const EditorPosition& at, int channel, std::int32_t step);

// A new empty pattern, placed at *pPlace when given. Returns its id (0 when refused).
PatternId NewPattern(CSoundSession& session, const EditorPosition& at, int channel,
                     std::int32_t rows, const std::string& name,
                     const SequencePos* pPlace = nullptr);
PatternId CopyPattern(CSoundSession& session, const EditorPosition& at, PatternId source);
// A pasted or dropped pattern, added to the channel of `place` and placed there.
PatternId PastePattern(CSoundSession& session, const EditorPosition& at, const QString& text,
                       std::unique_ptr<CSoundPattern> pPattern, const SequencePos& place);
void DeletePattern(CSoundSession& session, const EditorPosition& at, PatternId id);
void ChangePattern(CSoundSession& session, const EditorPosition& at, PatternId id,
                   const std::string& name, std::int32_t rows);

void SetProperties(CSoundSession& session, const EditorPosition& at, const SoundProperties& props);
void SetPlayRange(CSoundSession& session, const EditorPosition& at, const PlayRange& range);

// The whole sound replaced by what build writes into the emptied document (an imported song);
// nCost is roughly the bytes the new sound takes. Undo puts back the very patterns replaced.
void ReplaceSound(CSoundSession& session, const EditorPosition& at, const QString& text,
                  std::function<void(CSoundDoc&)> build, std::size_t nCost);
} // namespace SoundEdits
