// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"
#include "sound/InterpreterFade.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;

// The converter's format handlers. Each reports a failure with the system's own message
// through AfxMessageBox (stderr in the converter), writes no output file, and returns false.
bool ImportAgiInput(CSoundDoc& doc, const std::string& path);
bool WriteAgiOutput(CSoundDoc& doc, const std::string& path);
bool WriteMidiOutput(CSoundDoc& doc, const std::array<int, 3>& programs, const std::string& path);
bool WriteWavOutput(CSoundDoc& doc, SynthKind kind, const std::string& path);
// A raw resource played by a chip record by record (the sine imports it first).
bool WriteAgiWavOutput(const std::vector<std::uint8_t>& resource, SynthKind kind,
                       const std::string& path, FadeKind fade = FadeKind::None);
bool WriteAgiFileWavOutput(const std::string& input, SynthKind kind, const std::string& path);
