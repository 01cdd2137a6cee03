// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SoundRenderer.h"

#include "playback/ChipRenderer.h"
#include "playback/SineRenderer.h"

std::unique_ptr<ISoundRenderer> MakeSoundRenderer(SynthKind kind, FadeKind fade)
{
    if (kind == SynthKind::Sine)
        return std::make_unique<CSineRenderer>();
    return std::make_unique<CChipRenderer>(kind, fade);
}
