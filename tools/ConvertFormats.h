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
struct PlayRange;

// The converter's format handlers: each runs the function the editor's command runs. A
// failure writes no output file and carries its message; the caller names the file.

// What plays a .wav output, and whether a render longer than an hour may be written.
struct WavRequest
{
    SynthKind kind = SynthKind::Sine;
    FadeKind fade = FadeKind::None;
    bool bLong = false;
    // Voices left out (bit v for voice v).
    unsigned muteMask = 0;
};

Status ImportAgiInput(CSoundDoc& doc, const std::string& path);
Status WriteAgiOutput(const CSoundDoc& doc, const PlayRange& range, const std::string& path);
Status WriteMidiOutput(const CSoundDoc& doc, const PlayRange& range, const MidiPrograms& programs,
                       const std::string& path);
Status WriteWavOutput(const CSoundDoc& doc, const PlayRange& range, const WavRequest& request,
                      const std::string& path);
// A raw resource played by a chip record by record (the sine imports it first).
Status WriteAgiWavOutput(const std::vector<std::uint8_t>& resource, const WavRequest& request,
                         const std::string& path);
Status WriteAgiFileWavOutput(const std::string& input, const WavRequest& request,
                             const std::string& path);

// VGM files: the range's chip writes, or a raw resource's records directly.
Status WriteVgmOutput(const CSoundDoc& doc, const PlayRange& range, const VgmOptions& options,
                      const std::string& path);
Status WriteAgiVgmOutput(const std::vector<std::uint8_t>& resource, const VgmOptions& options,
                         const std::string& path);
Status WriteAgiFileVgmOutput(const std::string& input, const VgmOptions& options,
                             const std::string& path);
// The tag's title for an input file (its name without extension) and game for a folder.
std::string VgmTitleOfFile(const std::string& path);
std::string VgmGameOfFolder(const std::string& dir);
