// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/ScopeTrigger.h"

#include "sound/ChipWrites.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace
{
// A crossing counts only after the signal has been this far below zero (a share of its
// peak), so low-level ringing and rounding near zero do not move the trigger.
constexpr int kHysteresisShare = 16;

int Peak(const std::int16_t* pSamples, std::size_t n)
{
    int peak = 0;
    for (std::size_t i = 0; i < n; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(pSamples[i])));
    return peak;
}
} // namespace

std::size_t FindScopeTrigger(const std::int16_t* pSamples, std::size_t n, std::size_t window,
                             bool bFreeRun)
{
    if (n <= window)
        return 0;
    const std::size_t newest = n - window;
    if (bFreeRun)
        return newest;
    const int hysteresis = std::max(1, Peak(pSamples, n) / kHysteresisShare);
    std::size_t trigger = newest;
    bool bArmed = false;
    for (std::size_t i = 0; i <= newest; ++i)
    {
        if (pSamples[i] < -hysteresis)
            bArmed = true;
        else if (bArmed && pSamples[i] >= 0)
        {
            trigger = i;
            bArmed = false;
        }
    }
    return trigger;
}

bool ScopeWindowsMove(const CVoiceScopeRing& ring, std::int64_t now)
{
    return ring.HeardAt(now) < ring.GetWritten() + kScopeSpan;
}

void ReadScopeWindow(const CVoiceScopeRing& ring, int voice, std::int16_t* pOut, std::int64_t now)
{
    std::array<std::int16_t, kScopeSpan> span;
    ring.Read(voice, ring.HeardAt(now), span.data(), span.size());
    const std::size_t start =
        FindScopeTrigger(span.data(), span.size(), kScopeWindow, voice == IChipWrites::kNoiseVoice);
    std::copy_n(span.begin() + static_cast<std::ptrdiff_t>(start), kScopeWindow, pOut);
}
