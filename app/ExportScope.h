// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class CSoundDoc;
struct PlayRange;
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

// Runs exportRange on the play range or on the whole song, as the person chooses; false when
// cancelled or the export failed.
bool ExportInScope(const CSoundDoc& doc, QWidget* pParent,
                   const std::function<bool(const PlayRange&)>& exportRange);
