// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

// What makes the sound: the editor's sine voices, or the engine's chip in one of its two
// variants. Settings store it by name.
enum class SynthKind
{
    Sine,
    PCjr,
    Tandy,
};

// "sine", "pcjr" or "tandy".
const char* SynthKindName(SynthKind kind);
// The kind of a stored name; nothing for a name that is none of them.
std::optional<SynthKind> SynthKindFromName(std::string_view name);
