// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "playback/SynthKind.h"
#include "sound/InterpreterFade.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CFile;
class CSoundDoc;
struct PlayRange;

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
    // The interpreter's note fade, for the chips (the sine and the speaker do not take it).
    FadeKind fade = FadeKind::None;
    // Voices left out (bit v for voice v); the file keeps the whole sound's length.
    unsigned muteMask = 0;
};

// Writes one pass of the range to out as a 16-bit mono 44100 Hz .wav: with the sine, the rows
// start to end as playback plays them; with a chip, the range's AGI export as the engine
// plays it. The samples go out in blocks of at most a second, so memory stays
// bounded whatever the length. A cancel is a silent failure; a write failure throws
// CFileException (WriteAtomically turns it into a failure and leaves no partial file).
// Takes the document's guard only for short moments.
Status ExportWav(const CSoundDoc& doc, const PlayRange& range, const WavOptions& options,
                 CFile& out);

// The same for a raw AGI resource: a chip plays its records directly, all four voices until
// the longest ends; the sine plays the document its import makes.
Status ExportAgiWav(const std::vector<std::uint8_t>& resource, const WavOptions& options,
                    CFile& out);

// What a render would write, known before rendering.
struct WavLength
{
    std::uint64_t samples = 0;
    // The whole file's: header and samples.
    std::uint64_t bytes = 0;
    double Seconds() const;
    // Longer than an hour: worth a question before gigabytes are written.
    bool IsLong() const;
};

// The length as played and the file's size, as in "10:00:03 (3.2 GB)".
std::string DescribeWavLength(const WavLength& length);

// The length ExportWav or ExportAgiWav would give, without rendering, or the failure either
// would return before writing (too long for a .wav file, an invalid tempo or resource).
Result<WavLength> MeasureWavFile(const CSoundDoc& doc, const PlayRange& range, SynthKind kind);
Result<WavLength> MeasureAgiWavFile(const std::uint8_t* pData, std::size_t size, SynthKind kind);
