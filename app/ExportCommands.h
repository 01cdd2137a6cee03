// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/MidiExport.h"

#include <optional>
#include <string>

class CSoundDoc;
struct PlayRange;
class QWidget;

// The editor's AGI and MIDI Export commands of the rows in range: each asks what it needs
// (the MIDI programs, a file name), runs the export function the converter also runs, writes
// the file atomically and shows a failure. The path written; nothing when cancelled or
// nothing was written.
std::optional<std::string> ExportAgiCommand(const CSoundDoc& doc, const PlayRange& range);
std::optional<std::string> ExportMidiCommand(const CSoundDoc& doc, const PlayRange& range,
                                             QWidget* pParent);

// The MIDI Export dialog: the program of each tone voice, or nothing when cancelled. It says
// that instruments are not written when the sound's notes play some.
std::optional<MidiPrograms> ChooseMidiPrograms(QWidget* pParent,
                                               bool bNotesPlayInstruments = false);
