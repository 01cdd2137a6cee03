// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/VoiceMute.h"

void CVoiceMute::SetMask(unsigned muteMask)
{
    muteMask &= kAllVoicesMask;
    const unsigned changed = muteMask ^ m_mask;
    m_mask = muteMask;
    for (int voice = 0; voice < kVoices; ++voice)
        if (IsVoiceMuted(changed, voice))
            m_target.SetAttenuation(voice,
                                    IsVoiceMuted(m_mask, voice) ? kSilent : m_attenuation[voice]);
}

void CVoiceMute::SetAttenuation(int voice, unsigned attenuation)
{
    m_attenuation[voice] = attenuation;
    if (!IsVoiceMuted(m_mask, voice))
        m_target.SetAttenuation(voice, attenuation);
}
