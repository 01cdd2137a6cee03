// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundDoc.h"

#include <QString>

#include <vector>

// The names of undo steps as the history lists them: the edit, what it wrote and where
// ("Typing C-5 at Voice1 row 12", "Paste 4 rows at Voice0 row 8"). Made before the edit runs.
namespace EditNames
{
// kind is the caller's word for the edit ("Typing", "Paste", "Transpose", ...).
QString Cells(const CSoundDoc& doc, const QString& kind, PatternId id, std::int32_t row,
              const std::vector<SoundCell>& before, const std::vector<SoundCell>& after);
QString AtRow(const CSoundDoc& doc, const QString& kind, PatternId id, std::int32_t row);
QString AtStep(const CSoundDoc& doc, const QString& kind, const SequencePos& pos,
               PatternId placed = 0);
QString Placed(const CSoundDoc& doc, const QString& kind, const std::string& patternName,
               const SequencePos& pos);
QString Move(const CSoundDoc& doc, const QString& kind, const SequencePos& from,
             const SequencePos& to);
QString OfPattern(const CSoundDoc& doc, const QString& kind, PatternId id);
QString NewPattern(const QString& kind, int channel, const std::string& name);
QString Properties(const SoundProperties& props);
QString Range(const PlayRange& range);
} // namespace EditNames
