// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "playback/SynthKind.h"
#include "sound/MidiExport.h"

#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;

// The converter's format handlers: each runs the function the editor's command runs. A
// failure prints its message on stderr, writes no output file, and returns false.

// Prints a failure's message on stderr; true for a success.
bool Report(const Status& status);

bool ImportAgiInput(CSoundDoc& doc, const std::string& path);
bool WriteAgiOutput(const CSoundDoc& doc, const std::string& path);
bool WriteMidiOutput(const CSoundDoc& doc, const MidiPrograms& programs, const std::string& path);
bool WriteWavOutput(const CSoundDoc& doc, SynthKind kind, const std::string& path);
// A raw resource played by a chip record by record (the sine imports it first).
bool WriteAgiWavOutput(const std::vector<std::uint8_t>& resource, SynthKind kind,
                       const std::string& path);
bool WriteAgiFileWavOutput(const std::string& input, SynthKind kind, const std::string& path);
