// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AgiResource.h"
#include "sound/InstrumentVoice.h"

#include <cstdint>
#include <vector>

// A previewed note of an instrument: held for a while, then let go, so that its attack, its
// loops and its release are all heard. The chip plays it from the records the AGI export
// writes for such a note; the sine from the ticks its voice plays.
namespace InstrumentPreview
{
constexpr int kHoldTicks = 45;
constexpr int kMaxTicks = 150;
constexpr unsigned kSamplesPerTick = 735;
constexpr unsigned kMaxSamples = kMaxTicks * kSamplesPerTick;

// What voice 0 (the noise channel with bNoise) plays tick by tick, up to the last audible
// tick; empty when nothing sounds.
std::vector<VoiceTick> Ticks(int note, const CInstrument& instrument, bool bNoise);
// The export's records of that note, held kHoldTicks and let go.
AgiVoiceRecords Records(int note, const CInstrument& instrument, bool bNoise);
} // namespace InstrumentPreview
