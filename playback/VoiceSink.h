// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Takes each voice's own samples as the renderer that plays makes them, before the mix and
// after the mute, so what is drawn is what is heard without a second synthesis.
class IVoiceSink
{
public:
    static constexpr int kVoices = 4;
    // One block per voice, all n samples long; null stands for silence.
    using Blocks = std::array<const std::int16_t*, kVoices>;

    virtual ~IVoiceSink() = default;
    virtual void WriteVoices(const Blocks& voices, std::size_t n) = 0;
};
