// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "playback/SynthKind.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CFile;
class CSoundDoc;

// Told the fraction done after every block written; returning false cancels.
using WavProgress = std::function<bool(double fraction)>;

// Shown when a render would not fit a .wav file, or the tempo gives no row length.
constexpr const char* kWavTooLongText =
    "The sound cannot be rendered: its play range is too long for a .wav file or its tempo is "
    "invalid.";

struct WavOptions
{
    SynthKind kind = SynthKind::Sine;
    WavProgress progress;
};

// Writes one pass of the play range to out as a 16-bit mono 44100 Hz .wav: with the sine,
// the rows start to end as playback plays them; with a chip, the play range's AGI export as
// the engine plays it. The samples go out in blocks of at most a second, so memory stays
// bounded whatever the length. A cancel is a silent failure; a write failure throws
// CFileException (WriteAtomically turns it into a failure and leaves no partial file).
// Takes the document's guard only for short moments.
Status ExportWav(const CSoundDoc& doc, const WavOptions& options, CFile& out);

// The same for a raw AGI resource: a chip plays its records directly, all four voices until
// the longest ends; the sine plays the document its import makes.
Status ExportAgiWav(const std::vector<std::uint8_t>& resource, const WavOptions& options,
                    CFile& out);
