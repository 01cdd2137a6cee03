// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The interpreter's note fade: from version 2.9 on the game does not hold a tone at its
// record's attenuation but lets it die away by a table, restarted at every record of a tone
// voice. Settings store it by name.
enum class FadeKind
{
    None, // interpreters up to 2.4xx
    V2,   // 2.903 to 2.936
    V3,   // 3.002.x
};

// "none", "2.9" or "3".
const char* FadeKindName(FadeKind kind);
// The kind of a stored name; nothing for a name that is none of them.
std::optional<FadeKind> FadeKindFromName(std::string_view name);

// Ticks the table runs; after them the level holds.
unsigned FadeTicks(FadeKind kind);
// The attenuation a tone voice outputs on tick `tick` of a record (0 is its first tick):
// the record's attenuation moved by the table and clamped to 0-15, held once the table ends.
// A silent record stays silent.
unsigned FadedAttenuation(FadeKind kind, unsigned attenuation, std::uint64_t tick);
