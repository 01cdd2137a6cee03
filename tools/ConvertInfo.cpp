// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertInfo.h"

#include "sound/AgiResource.h"
#include "sound/ExportSizeText.h"
#include "sound/SoundDoc.h"

std::string ExportSizeText(const CSoundDoc& doc, const PlayRange& range)
{
    std::lock_guard lock(doc.Guard());
    const AgiExportSize size = MeasureAgiExport(doc, range);
    std::string text;
    for (int voice = 0; voice < kChannelCount; ++voice)
        text += VoiceSizeText(voice, size.voices[static_cast<std::size_t>(voice)]) + "\n";
    text += "total: " + GroupedNumber(size.bytes) + " bytes\n";
    return text;
}
