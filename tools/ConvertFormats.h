// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>

class CSoundDoc;

// The converter's format handlers. Each reports a failure with the system's own message
// through AfxMessageBox (stderr in the converter), writes no output file, and returns false.
bool ImportAgiInput(CSoundDoc& doc, const std::string& path);
bool WriteAgiOutput(CSoundDoc& doc, const std::string& path);
bool WriteMidiOutput(CSoundDoc& doc, const std::array<int, 3>& programs, const std::string& path);
bool WriteWavOutput(CSoundDoc& doc, const std::string& path);
