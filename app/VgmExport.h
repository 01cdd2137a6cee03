// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/PlayVoice.h"

#include <optional>
#include <string>

class CSoundDoc;
struct GameOrigin;
struct PlayRange;
class QWidget;

// The tag's title and game for the document: its title without ".tks", and the name of the
// game folder it came from ("" for a sound of its own).
std::string VgmTitleFor(const CSoundDoc& doc);
std::string VgmGameFor(const GameOrigin& origin);

// Asks whether the file loops (remembered for next time), whether the voices of muteMask are
// left out (while some are muted) and for a file name, then writes the range as the chip plays
// it with voice's fade; a name ending in ".vgz" gets the compressed file. Failures are shown.
// The path written; nothing when nothing was.
std::optional<std::string> ExportVgm(const CSoundDoc& doc, const PlayRange& range,
                                     const GameOrigin& origin, PlayVoice voice, unsigned muteMask,
                                     QWidget* pParent);
