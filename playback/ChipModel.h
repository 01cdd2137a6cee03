// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/VoiceSink.h"
#include "sound/ChipWrites.h"
#include "sound/SynthKind.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// A chip that sounds the engine's writes as band-limited signed 16-bit mono at 44100 Hz.
// Writes take effect at the sample where the next Render call starts; the chip runs on across
// calls, so a block split into smaller calls renders the same samples.
class IChipModel : public IChipWrites
{
public:
    virtual void Render(std::int16_t* pOut, std::size_t nSamples) = 0;
    // From the next Render on, also hands every voice's own output to the sink (null: none).
    virtual void SetVoiceSink(IVoiceSink* pSink) = 0;
};

// The chip a synthesizer choice plays: the sine plays as the PCjr wherever a chip must be
// chosen.
std::unique_ptr<IChipModel> MakeChipModel(SynthKind kind);
