// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/InterpreterFade.h"
#include "sound/SynthKind.h"

// What plays a sound: the chip and the interpreter's fade, taken together by playback,
// previews and every rendered export.
struct PlayVoice
{
    SynthKind chip = SynthKind::Sine;
    FadeKind fade = FadeKind::None;
    bool operator==(const PlayVoice&) const = default;
};
