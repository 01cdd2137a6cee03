// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// Pitch and time conversions between the engine's tone generator and the tracker.
//
// A tone channel plays 111860 / d Hz for a 10-bit divisor d; a resource counts time in
// ticks, and the tracker in rows of a length set by its tempo.

constexpr int kAgiMinToneDivisor = 16;   // 15 and below are not a pitch
constexpr int kAgiMaxToneDivisor = 1023; // the lowest pitch the channel can play
// The attenuation at which a voice is silent, and the largest there is.
constexpr int kAgiSilentAttenuation = 15;

// The note just below the divisor's pitch, or the next one up when the pitch lies within
// 0.04 of a semitone under it. The divisor must be at least kAgiMinToneDivisor.
int AgiNoteFromDivisor(int divisor);

// The note of any 10-bit divisor: as AgiNoteFromDivisor, where 0 sounds as 1024 and the
// pitches above note 117 (divisors 1-15) go to 117.
int AgiNoteOfAnyDivisor(int divisor);

// The divisor of note 0-117: 427 for 60, 254 for 69, 15 for 117. Notes below 45 lie under
// the generator's range and get kAgiMaxToneDivisor, its lowest pitch, rather than a wrapped
// 10-bit value that would sound at an unrelated pitch.
int AgiDivisorOfNote(int note);

// Resource ticks in one row at the given tempo: 7 for 4 rows per beat at 125 beats per
// minute, 1 for 24 at 140. A tempo too fast for a whole tick, or of 0 (or a negative one,
// from a hand-made file), gives 0; CGameTempo plays such a tempo at 1.
std::int64_t AgiTicksPerRow(std::int32_t tracksPerBeat, std::int32_t beatsPerMinute);

// The status text of a cell's exact divisor and how far it lies from the cell's note:
// "Divisor 288: F#5 +84 cents" (288 sounds at 388.4 Hz). Just "Divisor 288" without a note.
std::string AgiDivisorText(int divisor, int note);

// A cell's exact divisor after moving its note by the given semitones to newNote: scaled by
// 2^(-semitones/12), rounded and kept within 1-1023. kNoDivisor when the result is newNote's
// own divisor, so a transpose never adds an exact divisor the note does not need.
int AgiTransposeDivisor(int divisor, int semitones, int newNote);
