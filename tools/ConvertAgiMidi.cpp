// SPDX-License-Identifier: GPL-3.0-or-later
// The converter's AGI sound resource and MIDI handlers.
#include "tools/ConvertFormats.h"

#include "framework/AtomicFile.h"
#include "sound/AgiFile.h"

Status ImportAgiInput(CSoundDoc& doc, const std::string& path)
{
    return ImportAgiFile(doc, path);
}

Status WriteAgiOutput(const CSoundDoc& doc, const std::string& path)
{
    return WriteAtomically(path, [&doc](CFile& out) { return ExportAgi(doc, out); });
}

Status WriteMidiOutput(const CSoundDoc& doc, const MidiPrograms& programs, const std::string& path)
{
    return WriteAtomically(path, [&](CFile& out) { return ExportMidi(doc, programs, out); });
}
