// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ExportSizeText.h"

std::string GroupedNumber(std::int64_t value)
{
    // Unsigned, so that the lowest value has a magnitude too.
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    std::string text = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i)
    {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
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
