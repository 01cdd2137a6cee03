// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/RenderedSound.h"

#include "playback/AgiChipRender.h"

#include <cmath>

std::vector<std::int16_t> RenderAgi(const std::string& resource, SynthKind kind, FadeKind fade)
{
    std::vector<std::int16_t> out;
    CAgiChipRender::RenderAll(
        reinterpret_cast<const std::uint8_t*>(resource.data()), resource.size(), kind, fade,
        [&](const std::int16_t* p, std::size_t n) { out.insert(out.end(), p, p + n); });
    return out;
}

double Rms(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to)
{
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

std::vector<std::int16_t> WavSamples(const std::string& wav, std::size_t headerBytes)
{
    std::vector<std::int16_t> samples;
    for (std::size_t i = headerBytes; i + 1 < wav.size(); i += 2)
        samples.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(wav[i]) |
                                                    static_cast<std::uint8_t>(wav[i + 1]) << 8));
    return samples;
}
