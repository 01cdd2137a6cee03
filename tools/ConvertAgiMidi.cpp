// SPDX-License-Identifier: GPL-3.0-or-later
// The converter's AGI sound resource and MIDI handlers.
#include "tools/ConvertFormats.h"

#include "framework/AtomicFile.h"
#include "sound/AgiFile.h"

Status ImportAgiInput(CSoundDoc& doc, const std::string& path)
{
    return ImportAgiFile(doc, path);
}

Status WriteAgiOutput(const CSoundDoc& doc, const PlayRange& range, const std::string& path)
{
    return WriteAtomically(path, [&](CFile& out) { return ExportAgi(doc, range, out); });
}

Status WriteMidiOutput(const CSoundDoc& doc, const PlayRange& range, const MidiPrograms& programs,
                       const std::string& path)
{
    return WriteAtomically(path, [&](CFile& out) { return ExportMidi(doc, range, programs, out); });
}
