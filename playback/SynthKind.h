// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The synthesizer that voices playback, note previews and .wav output.
enum class SynthKind
{
    Sine,
    PCjr,
    Tandy
};

// The name used in settings and on the converter's command line: "sine", "pcjr", "tandy".
const char* SynthKindName(SynthKind kind);
// False, leaving kind alone, for a name that is none of them.
bool SynthKindFromName(const std::string& name, SynthKind& kind);
