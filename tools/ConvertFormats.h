// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "playback/WavWriter.h"
#include "sound/InterpreterFade.h"
#include "sound/MidiExport.h"
#include "sound/VgmWriter.h"

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
bool WriteWavOutput(const CSoundDoc& doc, const WavOptions& options, const std::string& path);
// A raw resource played by a chip record by record (the sine imports it first).
bool WriteAgiWavOutput(const std::vector<std::uint8_t>& resource, const WavOptions& options,
                       const std::string& path);
bool WriteAgiFileWavOutput(const std::string& input, const WavOptions& options,
                           const std::string& path);

// VGM files: the play range's chip writes, or a raw resource's records directly.
bool WriteVgmOutput(const CSoundDoc& doc, const VgmOptions& options, const std::string& path);
bool WriteAgiVgmOutput(const std::vector<std::uint8_t>& resource, const VgmOptions& options,
                       const std::string& path);
bool WriteAgiFileVgmOutput(const std::string& input, const VgmOptions& options,
                           const std::string& path);
// The tag's title for an input file (its name without extension) and game for a folder.
std::string VgmTitleOfFile(const std::string& path);
std::string VgmGameOfFolder(const std::string& dir);
