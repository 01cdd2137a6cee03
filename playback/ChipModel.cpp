// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/ChipModel.h"

#include "playback/ChipSynth.h"
#include "playback/SpeakerSynth.h"

std::unique_ptr<IChipModel> MakeChipModel(SynthKind kind)
{
    switch (kind)
    {
    case SynthKind::Speaker:
        return std::make_unique<CSpeakerSynth>();
    case SynthKind::Tandy:
        return std::make_unique<CChipSynth>(ChipVariant::Tandy1000);
    case SynthKind::Sine:
    case SynthKind::PCjr:
        break;
    }
    return std::make_unique<CChipSynth>(ChipVariant::PCjr);
}
