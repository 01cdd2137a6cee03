// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertMute.h"

#include "sound/ChipWrites.h"

std::optional<unsigned> ParseMuteList(const std::string& value)
{
    unsigned mask = 0;
    bool bExpectVoice = true;
    for (const char c : value)
    {
        if (bExpectVoice && c >= '0' && c < '0' + IChipWrites::kVoices)
        {
            const unsigned bit = 1u << (c - '0');
            if ((mask & bit) != 0)
                return std::nullopt;
            mask |= bit;
            bExpectVoice = false;
        }
        else if (!bExpectVoice && c == ',')
            bExpectVoice = true;
        else
            return std::nullopt;
    }
    if (bExpectVoice)
        return std::nullopt;
    return mask;
}
