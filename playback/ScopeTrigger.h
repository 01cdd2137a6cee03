// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/VoiceScopeRing.h"

#include <cstddef>
#include <cstdint>

// About 20 ms: a few periods of the low tones, so a scope shows their shape.
constexpr std::size_t kScopeWindow = 882;
// What a scope reads to place its window: the window starts anywhere in the older half.
constexpr std::size_t kScopeSpan = 2 * kScopeWindow;

// Where a window of `window` samples starts in pSamples[0, n): at the latest rising zero
// crossing that leaves a whole window after it, so a steady tone is drawn from the same phase
// every frame and stands still. The newest window when there is no crossing or with
// bFreeRun (noise has no period to hold still).
std::size_t FindScopeTrigger(const std::int16_t* pSamples, std::size_t n, std::size_t window,
                             bool bFreeRun);

// The voice's kScopeWindow samples to draw at the sample clock's `now`: the latest heard,
// placed by FindScopeTrigger (free-running for the noise).
void ReadScopeWindow(const CVoiceScopeRing& ring, int voice, std::int16_t* pOut, std::int64_t now);
inline void ReadScopeWindow(const CVoiceScopeRing& ring, int voice, std::int16_t* pOut)
{
    ReadScopeWindow(ring, voice, pOut, CVoiceScopeRing::NowInSamples());
}
// Whether the windows read at `now` or later can still differ: samples not yet heard, or
// heard so lately that they are still in the span a window is read from.
bool ScopeWindowsMove(const CVoiceScopeRing& ring, std::int64_t now);
