// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ReadyInstruments.h"

#include <algorithm>

namespace
{
InstrumentSequence Values(std::vector<int> values, int loop = kNoIndex, int release = kNoIndex)
{
    return {std::move(values), loop, release};
}

// From one attenuation to another, each step held for `ticks`.
std::vector<int> Ramp(int from, int to, int ticks)
{
    std::vector<int> values;
    const int step = from < to ? 1 : -1;
    for (int v = from;; v += step)
    {
        values.insert(values.end(), static_cast<std::size_t>(ticks), v);
        if (v == to)
            break;
    }
    return values;
}

std::vector<int> Joined(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

CInstrument Make(const char* name, std::initializer_list<std::pair<SequenceKind, InstrumentSequence>> sequences)
{
    CInstrument instrument(1, name);
    for (const auto& [kind, sequence] : sequences)
        instrument.SetSequence(kind, sequence);
    return instrument;
}

std::vector<CInstrument> Build()
{
    using K = SequenceKind;
    // Soft_Pad: half a second to swell, held at full, a second to fade once let go.
    const std::vector<int> swell = Ramp(15, 0, 2);
    const int padHold = static_cast<int>(swell.size());
    const std::vector<int> pad = Joined(Joined(swell, {0}), Ramp(1, 15, 4));
    return {
        Make("Pluck", {{K::Volume, Values(Ramp(0, 15, 2))}}),
        Make("Soft_Pad", {{K::Volume, Values(pad, padHold, padHold + 1)}}),
        Make("Bass", {{K::Volume, Values({0, 0, 1, 2, 3, 4})}, {K::Arpeggio, Values({-12})}}),
        // A steady start, then a vibrato of a third of a semitone six times a second.
        Make("Vibrato_Lead",
             {{K::Volume, Values({0, 0, 1, 1, 2})},
              {K::Pitch, Values({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 20, 10, 0, -10,
                                 -20, -30, -20, -10, 0},
                                12)}}),
        // A falling tone: two and a half octaves down in eight ticks.
        Make("Kick", {{K::Volume, Values({0, 0, 1, 3, 5, 8, 11, 15})},
                      {K::Arpeggio, Values({0, -7, -12, -17, -21, -24, -27, -30})}}),
        Make("Snare", {{K::Volume, Values({0, 1, 3, 5, 7, 9, 11, 13, 15})},
                       {K::Noise, Values({5, 4})}}),
        Make("Hi_Hat", {{K::Volume, Values({0, 4, 8, 12, 15})}, {K::Noise, Values({4})}}),
        Make("Laser", {{K::Volume, Values({0, 0, 0, 0, 0, 0, 2, 4, 6, 8, 10, 12, 15})},
                       {K::Arpeggio, Values({24, 21, 18, 15, 12, 9, 6, 3, 0, -3, -6, -9, -12})}}),
        // A rumble that darkens as it dies away.
        Make("Explosion", {{K::Volume, Values(Joined({0, 0, 0, 0}, Ramp(1, 15, 3)))},
                           {K::Noise, Values({4, 4, 5, 5, 5, 6})}}),
        // Two quick notes a fourth apart, the second ringing out.
        Make("Coin", {{K::Volume, Values(Joined(std::vector<int>(10, 0), Ramp(1, 15, 2)))},
                      {K::Arpeggio, Values({0, 0, 0, 0, 5})}}),
    };
}
} // namespace

const std::vector<CInstrument>& ReadyInstruments()
{
    static const std::vector<CInstrument> instruments = Build();
    return instruments;
}

bool IsNoiseInstrument(const CInstrument& instrument)
{
    return !instrument.GetSequence(SequenceKind::Noise).Empty() &&
           instrument.GetSequence(SequenceKind::Arpeggio).Empty() &&
           instrument.GetSequence(SequenceKind::Pitch).Empty();
}
