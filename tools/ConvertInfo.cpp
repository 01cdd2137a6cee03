// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertInfo.h"

#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"

std::string GroupedNumber(std::int64_t value)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return (value < 0 ? "-" : "") + digits;
}

std::string ExportSizeText(const CSoundDoc& doc, const PlayRange& range)
{
    std::lock_guard lock(doc.Guard());
    const AgiExportSize size = MeasureAgiExport(doc, range);
    std::string text;
    for (int voice = 0; voice < kChannelCount; ++voice)
    {
        const AgiVoiceSize& one = size.voices[static_cast<std::size_t>(voice)];
        text += "voice " + std::to_string(voice) + ": " + GroupedNumber(one.records) +
                (one.records == 1 ? " record, " : " records, ") + GroupedNumber(one.bytes) +
                " bytes\n";
    }
    text += "total: " + GroupedNumber(size.bytes) + " bytes\n";
    return text;
}
