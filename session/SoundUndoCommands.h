// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "views/SoundEditCommand.h"

#include <QString>

#include <memory>
#include <vector>

// Every change the editors and dialogs make to a sound, each one undoable step. Without an
// editor of the document (and so without a history) the change is simply made.
namespace SoundEdits
{
// Which nudge a merged step repeats.
enum MergeKind
{
    kMergeNone = -1,
    kMergeAttenuation = 1,
};

void SetCells(CSoundDoc* pDoc, const EditorPosition& at, const QString& text, PatternId id,
              std::int32_t row, const std::vector<SoundCell>& cells, MergeKind merge = kMergeNone);
void InsertRow(CSoundDoc* pDoc, const EditorPosition& at, PatternId id, std::int32_t row);
void DeleteRow(CSoundDoc* pDoc, const EditorPosition& at, PatternId id, std::int32_t row);

void SetPlacement(CSoundDoc* pDoc, const EditorPosition& at, const QString& text,
                  const SequencePos& pos, PatternId id);
void MovePlacement(CSoundDoc* pDoc, const EditorPosition& at, const SequencePos& from,
                   const SequencePos& to);
void InsertStep(CSoundDoc* pDoc, const EditorPosition& at, int channel, std::int32_t step);
void DeleteStep(CSoundDoc* pDoc, const EditorPosition& at, int channel, std::int32_t step);

// A new empty pattern, placed at *pPlace when given. Returns its id (0 when refused).
PatternId NewPattern(CSoundDoc* pDoc, const EditorPosition& at, int channel, std::int32_t rows,
                     const std::string& name, const SequencePos* pPlace = nullptr);
PatternId CopyPattern(CSoundDoc* pDoc, const EditorPosition& at, PatternId source);
// A pasted or dropped pattern, added to the channel of `place` and placed there.
PatternId PastePattern(CSoundDoc* pDoc, const EditorPosition& at, const QString& text,
                       std::unique_ptr<CSoundPattern> pPattern, const SequencePos& place);
void DeletePattern(CSoundDoc* pDoc, const EditorPosition& at, PatternId id);
void ChangePattern(CSoundDoc* pDoc, const EditorPosition& at, PatternId id, const std::string& name,
                   std::int32_t rows);

void SetProperties(CSoundDoc* pDoc, const EditorPosition& at, const SoundProperties& props);
void SetPlayRange(CSoundDoc* pDoc, const EditorPosition& at, const PlayRange& range);
} // namespace SoundEdits
