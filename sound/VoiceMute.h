// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/ChipWrites.h"

#include <array>

// Bit v of a mute mask silences voice v (3 is the noise).
constexpr unsigned kAllVoicesMask = (1u << IChipWrites::kVoices) - 1;
constexpr bool IsVoiceMuted(unsigned muteMask, int voice)
{
    return ((muteMask >> voice) & 1u) != 0;
}

// Passes the engine's chip writes on with the muted voices held silent. Pitches and noise
// settings still go through, so a kept noise that follows voice 2 sounds as in the full mix,
// and a voice unmuted mid-sound takes up the level the engine last gave it. The kept voices
// receive exactly the writes they would unmuted.
class CVoiceMute : public IChipWrites
{
public:
    explicit CVoiceMute(IChipWrites& target) : m_target(target) {}

    // Takes effect at once on the target.
    void SetMask(unsigned muteMask);

    void SetAttenuation(int voice, unsigned attenuation) override;
    void SetDivisor(int voice, unsigned divisor) override { m_target.SetDivisor(voice, divisor); }
    void StartNoise(unsigned control) override { m_target.StartNoise(control); }

private:
    IChipWrites& m_target;
    unsigned m_mask = 0;
    std::array<unsigned, kVoices> m_attenuation{kSilent, kSilent, kSilent, kSilent};
};
