// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SoundRenderer.h"

#include "playback/ChipRenderer.h"
#include "playback/SineRenderer.h"

std::unique_ptr<ISoundRenderer> MakeSoundRenderer(SynthKind kind)
{
    switch (kind)
    {
    case SynthKind::PCjr:
        return std::make_unique<CChipRenderer>(ChipVariant::PCjr);
    case SynthKind::Tandy:
        return std::make_unique<CChipRenderer>(ChipVariant::Tandy1000);
    case SynthKind::Sine:
        break;
    }
    return std::make_unique<CSineRenderer>();
}
