// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SynthKind.h"

#include "sound/VoiceMute.h"

const char* SynthKindName(SynthKind kind)
{
    switch (kind)
    {
    case SynthKind::PCjr:
        return "pcjr";
    case SynthKind::Tandy:
        return "tandy";
    case SynthKind::Speaker:
        return "speaker";
    case SynthKind::Sine:
        break;
    }
    return "sine";
}

std::optional<SynthKind> SynthKindFromName(std::string_view name)
{
    for (SynthKind kind : {SynthKind::Sine, SynthKind::PCjr, SynthKind::Tandy, SynthKind::Speaker})
        if (name == SynthKindName(kind))
            return kind;
    return std::nullopt;
}

unsigned VoicesNotPlayedBy(SynthKind kind)
{
    switch (kind)
    {
    case SynthKind::Sine:
        return 1u << IChipWrites::kNoiseVoice;
    case SynthKind::Speaker:
        return kAllVoicesMask & ~1u;
    case SynthKind::PCjr:
    case SynthKind::Tandy:
        break;
    }
    return 0;
}
