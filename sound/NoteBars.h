// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundDoc.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// What a channel plays over time, as the channel walk plays it: one bar per note (a hit per
// noise setting on the noise channel), from the position its cell starts it to the position
// it stops sounding. The piano roll draws these and edits through them; the tests read them.

enum class BarStop
{
    NextNote,   // the channel's next note starts
    Off,        // a rest ("off") in a cell
    PatternEnd, // the placement ran out of rows
    RangeEnd,   // the walked range (or the cut) ends
};

struct NoteBar
{
    std::int32_t start = 0;
    std::int32_t end = 0; // the position it no longer sounds at
    // Tone: the note 0-117. Noise: the rate 0-3.
    std::uint8_t note = 0;
    std::uint8_t noiseType = NOISE_PERIODIC;
    // In force at the start: the cell's own, or the one carried from the cells before.
    std::uint8_t atten = 0;
    std::uint16_t divisor = kNoDivisor;
    // Semitones (MIDI key numbers), between two for an exact divisor.
    double pitch = 0;
    // The cell that starts it: its pattern, that placement's position and the row.
    PatternId pattern = 0;
    std::int32_t placedAt = 0;
    std::int32_t row = 0;
    // Where that placement stops playing: its last row's end or the next placement.
    std::int32_t patternEnd = 0;
    BarStop stop = BarStop::RangeEnd;

    std::int32_t Length() const { return end - start; }
    bool operator==(const NoteBar&) const = default;
};

struct ChannelBars
{
    int channel = 0;
    // In time order; they never overlap (a channel plays one note at a time), so their ends
    // are in order too.
    std::vector<NoteBar> bars;
    // Each position where the attenuation in force changes, with the new value (the channel
    // starts at 0).
    std::vector<std::pair<std::int32_t, std::uint8_t>> attenuations;

    // The bars that sound somewhere in [from, to): indices [first, last).
    std::pair<std::size_t, std::size_t> Overlapping(std::int32_t from, std::int32_t to) const;
    // The attenuation in force at pos.
    std::uint8_t AttenuationAt(std::int32_t pos) const;
    // The bar sounding at pos, or null.
    const NoteBar* At(std::int32_t pos) const;
};

// Walks the channel through range. A bar still sounding at cutAt (when it lies inside the
// range) stops there, as playback of a play range ending there stops it.
ChannelBars BuildChannelBars(const CSoundDoc& doc, int channel, const PlayRange& range,
                             std::int32_t cutAt = INT32_MAX);

// Semitones of an exact divisor's pitch (69 is 440 Hz).
double PitchOfDivisor(int divisor);
