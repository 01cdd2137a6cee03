// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "sound/InterpreterFade.h"
#include "sound/SynthKind.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;
struct PlayRange;

struct VgmOptions
{
    // PCjr or Tandy 1000; the sine and the speaker are written as the PCjr.
    SynthKind chip = SynthKind::PCjr;
    // Its level changes are written tick by tick.
    FadeKind fade = FadeKind::None;
    // Loops the whole sound.
    bool bLoop = false;
    // The tag's track title and game ("" for none).
    std::string title{};
    std::string game{};
    // A .vgz file: the same bytes gzip-compressed.
    bool bGzip = false;
    // Bit v leaves voice v out: it is silenced at the start and never sounds.
    unsigned muteMask = 0;
};

// A VGM 1.51 file for any chip-music player: the chip writes the engine makes for a raw AGI
// resource, all four voices until the longest ends, each at the first sample of its tick,
// with waits between and every voice silenced before the end; a GD3 tag names the title,
// game and system.
Result<std::vector<std::uint8_t>> BuildVgm(const std::uint8_t* pData, std::size_t size,
                                           const VgmOptions& options);

// The same for the AGI export of the range. Takes the document's guard.
Result<std::vector<std::uint8_t>> BuildDocumentVgm(const CSoundDoc& doc, const PlayRange& range,
                                                   const VgmOptions& options);
