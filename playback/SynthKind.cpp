// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SynthKind.h"

#include <array>
#include <utility>

namespace
{
constexpr std::array<std::pair<SynthKind, const char*>, 3> kNames = {{
    {SynthKind::Sine, "sine"},
    {SynthKind::PCjr, "pcjr"},
    {SynthKind::Tandy, "tandy"},
}};
} // namespace

const char* SynthKindName(SynthKind kind)
{
    for (const auto& [entry, name] : kNames)
        if (entry == kind)
            return name;
    return kNames.front().second;
}

bool SynthKindFromName(const std::string& name, SynthKind& kind)
{
    for (const auto& [entry, entryName] : kNames)
        if (name == entryName)
        {
            kind = entry;
            return true;
        }
    return false;
}
