// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"
#include "sound/InterpreterFade.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class CSoundDoc;

// Told the fraction done after every block written; returning false cancels.
using WavProgress = std::function<bool(double fraction)>;

// Shown when a render would not fit a .wav file, or the tempo gives no row length.
constexpr const char* kWavTooLongText =
    "The sound cannot be rendered: its play range is too long for a .wav file or its tempo is "
    "invalid.";

// What a render would write, known before rendering.
struct WavLength
{
    std::uint64_t samples = 0;
    // The whole file's: header and samples.
    std::uint64_t bytes = 0;
    double Seconds() const;
};

// Writes one pass of the play range as a 16-bit mono 44100 Hz .wav: with the sine, the rows
// start to end as playback plays them; with a chip, the play range's AGI export as the
// engine plays it, with the fade (which the sine and the speaker do not take). The samples go out
// in blocks of at most a second, so memory stays bounded whatever the length. Returns "" or the
// message for the person; a cancel also returns "". The file is written beside the path and renamed
// over it once complete, so a cancel or a failure leaves no partial file. Takes the document's
// guard only for short moments.
std::string WriteWavFile(const CSoundDoc& doc, SynthKind kind, FadeKind fade,
                         const std::string& path, const WavProgress& progress = {});
inline std::string WriteWavFile(const CSoundDoc& doc, SynthKind kind, const std::string& path,
                                const WavProgress& progress = {})
{
    return WriteWavFile(doc, kind, FadeKind::None, path, progress);
}

// The same for a raw AGI resource: a chip plays its records directly, all four voices until
// the longest ends; the sine plays the document its import makes.
std::string WriteAgiWavFile(const std::uint8_t* pData, std::size_t size, SynthKind kind,
                            FadeKind fade, const std::string& path,
                            const WavProgress& progress = {});
inline std::string WriteAgiWavFile(const std::uint8_t* pData, std::size_t size, SynthKind kind,
                                   const std::string& path, const WavProgress& progress = {})
{
    return WriteAgiWavFile(pData, size, kind, FadeKind::None, path, progress);
}

// The length WriteWavFile or WriteAgiWavFile would give, without rendering: "" or the message
// either would return before writing (too long for a .wav file, an invalid tempo or resource).
std::string MeasureWavFile(const CSoundDoc& doc, SynthKind kind, WavLength& length);
std::string MeasureAgiWavFile(const std::uint8_t* pData, std::size_t size, SynthKind kind,
                              WavLength& length);
