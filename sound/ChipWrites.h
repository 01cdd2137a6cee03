// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the engine's sound code writes to the chip: a synthesizer sounds the writes, a VGM
// file records them. Voices 0-2 are tones, 3 is the noise.
class IChipWrites
{
public:
    static constexpr int kVoices = 4;
    static constexpr int kNoiseVoice = 3;
    static constexpr unsigned kSilent = 15;

    virtual ~IChipWrites() = default;
    // The low 4 bits count: 2 dB per step, 15 off.
    virtual void SetAttenuation(int voice, unsigned attenuation) = 0;
    // Voice 0-2; the low 10 bits count.
    virtual void SetDivisor(int voice, unsigned divisor) = 0;
    // Bit 2 white (1) or periodic (0) noise, bits 0-1 the shift rate.
    virtual void StartNoise(unsigned control) = 0;
};
