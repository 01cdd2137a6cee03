// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

class CSoundDoc;
class QWidget;

enum class ExportScope
{
    PlayRange,
    WholeSong,
    Cancelled,
};

// Asks whether an export takes the play range or the whole song; the play range, without
// asking, when the two are the same.
ExportScope AskExportScope(const CSoundDoc& doc, QWidget* pParent);

// A copy whose play range is the whole song: the exports read the play range, and changing
// it on the document itself would be heard by its playback. Null when the copy failed.
std::unique_ptr<CSoundDoc> MakeWholeSongCopy(CSoundDoc& doc);

// Runs exportDoc on the document or on its whole-song copy, as the person chooses; false
// when cancelled or the export failed.
bool ExportInScope(CSoundDoc& doc, QWidget* pParent,
                   const std::function<bool(CSoundDoc&)>& exportDoc);
