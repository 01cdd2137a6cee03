// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/Instrument.h"

#include <vector>

// Instruments to start from, shaped for the game's 60 ticks a second: tones ("Pluck",
// "Soft_Pad", "Bass", "Vibrato_Lead", "Kick", "Laser", "Coin") and noises ("Snare", "Hi_Hat",
// "Explosion"). Their numbers are placeholders; an instrument added from them takes a free
// one.
const std::vector<CInstrument>& ReadyInstruments();

// Whether the instrument is meant for the noise channel: it sets the noise and has no
// tone shapes.
bool IsNoiseInstrument(const CInstrument& instrument);
