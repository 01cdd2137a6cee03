// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/AgiTone.h"

#include <algorithm>
#include <cmath>

int AgiNoteFromDivisor(int divisor)
{
    const double ratio = 3579520.0 / (divisor * 440.0);
    const double n = std::log(ratio) * (12.0 / std::log(2.0)) + 9.0 - 0.46;
    const double whole = std::floor(n);
    return static_cast<int>(whole) + (n - whole > 0.5 ? 1 : 0);
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
