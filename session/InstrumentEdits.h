// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/Instrument.h"

#include <QString>

#include <map>
#include <string>
#include <vector>

class CSoundSession;

// Every change to the instruments of a sound, each one undoable step on the session's
// history. A step replaces the whole set; the cells that name a renumbered or deleted
// instrument follow in the same step. Each returns false, leaving everything as it was, when
// the change would make an instrument invalid or changes nothing.
namespace InstrumentEdits
{
// Old number to new; 0 leaves the cells plain.
using Renumbering = std::map<int, int>;

bool Apply(CSoundSession& session, const QString& text, std::vector<CInstrument> after,
           const Renumbering& renumber = {});

// The lowest number no instrument has, or kNoInstrument when all 99 are taken.
int FreeNumber(const std::vector<CInstrument>& instruments);

// Adds the instrument under the lowest free number (its own is ignored); returns that number,
// or kNoInstrument when refused.
int Add(CSoundSession& session, CInstrument instrument);
int Duplicate(CSoundSession& session, int number);
bool Rename(CSoundSession& session, int number, const std::string& name);
bool Delete(CSoundSession& session, int number);
// Swaps the instrument with its neighbour (delta -1 up, +1 down); they exchange numbers and
// the cells follow them.
bool Move(CSoundSession& session, int number, int delta);
// verb names the change in the history ("Draw", "Edit", "Resize").
bool SetSequence(CSoundSession& session, int number, SequenceKind kind,
                 InstrumentSequence sequence, const QString& verb);
} // namespace InstrumentEdits
