// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ImportReport.h"

#include "sound/AgiResource.h"

namespace
{
std::string Notes(int count)
{
    return std::to_string(count) + (count == 1 ? " note" : " notes");
}

std::string TooLongLine(std::size_t agiBytes)
{
    return "the song needs " + std::to_string(agiBytes) +
           " bytes as an AGI resource, more than the " + std::to_string(kMaxAgiResourceBytes) +
           " one can hold: the AGI export will refuse it";
}
} // namespace

std::vector<std::string> MidiImportReport(const MidiImportCounts& counts)
{
    std::vector<std::string> lines;
    if (counts.cutNotes > 0)
        lines.push_back(Notes(counts.cutNotes) + " cut for polyphony");
    if (counts.raisedNotes > 0)
        lines.push_back(Notes(counts.raisedNotes) + " raised by octaves into range");
    if (counts.mergedDrumHits > 0)
        lines.push_back(std::to_string(counts.mergedDrumHits) +
                        (counts.mergedDrumHits == 1 ? " drum hit" : " drum hits") +
                        " merged into others");
    if (counts.tooLongForAgi)
        lines.push_back(TooLongLine(counts.agiBytes));
    return lines;
}

std::vector<std::string> VgmImportReport(const VgmImportNotes& notes)
{
    std::vector<std::string> lines = notes.warnings;
    if (notes.tooLongForAgi)
        lines.push_back(TooLongLine(notes.agiBytes));
    return lines;
}

std::string JoinReport(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "; ") + line;
    return text;
}
