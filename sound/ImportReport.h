// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/MidiImport.h"
#include "sound/VgmImport.h"

#include <string>
#include <vector>

// What an import could not keep, one line per kind of loss, for the person; none when the
// song came in whole.
std::vector<std::string> MidiImportReport(const MidiImportCounts& counts);
std::vector<std::string> VgmImportReport(const VgmImportNotes& notes);
// Lines joined with "; ", or "" when there are none.
std::string JoinReport(const std::vector<std::string>& lines);
