// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/InterpreterFade.h"
#include "sound/SynthKind.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using Samples = std::vector<std::int16_t>;

inline bool IsSilent(const std::int16_t* p, std::size_t n)
{
    return std::all_of(p, p + n, [](std::int16_t s) { return s == 0; });
}

// The whole of an AGI resource as the chip or the speaker plays it.
std::vector<std::int16_t> RenderAgi(const std::string& resource, SynthKind kind,
                                    FadeKind fade = FadeKind::None);
// RMS level of samples [from, to).
double Rms(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to);
// The samples of a 16-bit mono .wav file with a 44-byte header, or of raw samples with none.
std::vector<std::int16_t> WavSamples(const std::string& wav, std::size_t headerBytes = 44);
