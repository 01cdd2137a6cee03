// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SynthKind.h"

const char* SynthKindName(SynthKind kind)
{
    switch (kind)
    {
    case SynthKind::PCjr:
        return "pcjr";
    case SynthKind::Tandy:
        return "tandy";
    case SynthKind::Sine:
        break;
    }
    return "sine";
}

std::optional<SynthKind> SynthKindFromName(std::string_view name)
{
    for (SynthKind kind : {SynthKind::Sine, SynthKind::PCjr, SynthKind::Tandy})
        if (name == SynthKindName(kind))
            return kind;
    return std::nullopt;
}
