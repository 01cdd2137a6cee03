// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

// What makes the sound: the editor's sine voices, the engine's chip in one of its two
// variants, or the PC speaker that plays voice 0 alone. Settings store it by name.
enum class SynthKind
{
    Sine,
    PCjr,
    Tandy,
    Speaker,
};

// The voices it never sounds, as a mute mask (bit v for voice v): the sine has no noise
// voice, and the speaker plays voice 0 alone.
unsigned VoicesNotPlayedBy(SynthKind kind);

// "sine", "pcjr", "tandy" or "speaker".
const char* SynthKindName(SynthKind kind);
// The kind of a stored name; nothing for a name that is none of them.
std::optional<SynthKind> SynthKindFromName(std::string_view name);
