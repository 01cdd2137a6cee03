// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"

#include <array>

class CFile;
class CSoundDoc;
struct PlayRange;

// The General MIDI program (0-127) of each tone voice.
using MidiPrograms = std::array<int, 3>;

// The Standard MIDI file of the range's three tone voices written to out. A file past the
// size limit is refused with nothing written; a write failure throws CFileException
// (WriteAtomically turns it into a failure).
Status ExportMidi(const CSoundDoc& doc, const PlayRange& range, const MidiPrograms& programs,
                  CFile& out);
