// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/AgiTone.h"

#include "sound/SoundPattern.h"

#include <algorithm>
#include <cmath>

namespace
{
// The generator counts 1024 for a divisor of 0.
double SoundingDivisor(int divisor)
{
    return divisor == 0 ? 1024.0 : divisor;
}

double NoteHz(int note)
{
    return 13.75 * std::pow(2.0, (note - 9) / 12.0);
}
} // namespace

int AgiNoteFromDivisor(int divisor)
{
    const double ratio = 3579520.0 / (divisor * 440.0);
    const double n = std::log(ratio) * (12.0 / std::log(2.0)) + 9.0 - 0.46;
    const double whole = std::floor(n);
    return static_cast<int>(whole) + (n - whole > 0.5 ? 1 : 0);
}

int AgiNoteOfAnyDivisor(int divisor)
{
    if (divisor == 0)
        return AgiNoteFromDivisor(1024);
    return std::min(AgiNoteFromDivisor(std::max(divisor, 1)), kMaxNote);
}

int AgiDivisorOfNote(int note)
{
    const double k = 1.0 / 12.0;
    const double freq = 13.75 * std::pow(2.0, (note - 9) * k);
    const double divisor = std::trunc(111860.0 / freq);
    return static_cast<int>(std::min(divisor, static_cast<double>(kAgiMaxToneDivisor)));
}

std::int64_t AgiTicksPerRow(std::int32_t tracksPerBeat, std::int32_t beatsPerMinute)
{
    const double tpb = tracksPerBeat;
    const double bpm = beatsPerMinute;
    const double ticks = std::floor((3360.0 / (tpb * bpm)) * (140.0 / bpm));
    // Both numbers are whole and non-zero here, so the result is at most 3360 * 140.
    if (!std::isfinite(ticks) || ticks < 0.0)
        return 0;
    return static_cast<std::int64_t>(ticks);
}

std::string AgiDivisorText(int divisor, int note)
{
    std::string text = "Divisor " + std::to_string(divisor);
    if (note < 0 || note > kMaxNote)
        return text;
    const double hz = 111860.0 / SoundingDivisor(divisor);
    const long cents = std::lround(1200.0 * std::log2(hz / NoteHz(note)));
    return text + ": " + NoteText(note) + " " + (cents < 0 ? "-" : "+") +
           std::to_string(std::labs(cents)) + " cents";
}

int AgiTransposeDivisor(int divisor, int semitones, int newNote)
{
    const double scaled = SoundingDivisor(divisor) * std::pow(2.0, -semitones / 12.0);
    const int result = static_cast<int>(
        std::clamp(std::lround(scaled), 1L, static_cast<long>(kAgiMaxToneDivisor)));
    return result == AgiDivisorOfNote(newNote) ? kNoDivisor : result;
}
