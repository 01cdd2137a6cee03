// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ExportSizeText.h"

std::string GroupedNumber(std::int64_t value)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return (value < 0 ? "-" : "") + digits;
}

std::string VoiceSizeText(int voice, const AgiVoiceSize& size)
{
    return "voice " + std::to_string(voice) + ": " + GroupedNumber(size.records) +
           (size.records == 1 ? " record, " : " records, ") + GroupedNumber(size.bytes) + " bytes";
}

std::string ResourceSizeText(const AgiExportSize& size)
{
    return GroupedNumber(size.bytes) + " of " +
           GroupedNumber(static_cast<std::int64_t>(kMaxAgiResourceBytes)) + " bytes";
}
