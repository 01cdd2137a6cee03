// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/ChipSynth.h"
#include "playback/SoundPlayThread.h"
#include "playback/ToneSynth.h"
#include "views/VoiceScopeSource.h"

#include <algorithm>

// The scopes of whichever play thread runs now, flat while there is none, so the windows
// need not outlive the thread nor be told when it ends.
class CPlayThreadScopes : public IVoiceScopeSource
{
public:
    explicit CPlayThreadScopes(CSoundPlayThread* const& pThread) : m_pThread(pThread) {}
    void LatestWindow(int voice, std::int16_t* pOut) const override
    {
        if (m_pThread == nullptr)
            std::fill_n(pOut, kScopeWindow, std::int16_t{0});
        else
            ReadScopeWindow(m_pThread->GetVoiceScopes(), voice, pOut);
    }
    // A song that plays sounds even while the device keeps the thread waiting.
    bool IsSounding() const override
    {
        return m_pThread != nullptr &&
               (m_pThread->IsPlaying() || ScopeWindowsMove(m_pThread->GetVoiceScopes(),
                                                           CVoiceScopeRing::NowInSamples()));
    }
    int FullScale() const override
    {
        // The chips' steps ring a little past their level.
        const bool bSine = m_pThread == nullptr || m_pThread->GetSynthKind() == SynthKind::Sine;
        return bSine ? CToneSynth::kPeak : CChipSynth::kPeak * 9 / 8;
    }

private:
    CSoundPlayThread* const& m_pThread;
};
