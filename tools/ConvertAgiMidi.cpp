// SPDX-License-Identifier: GPL-3.0-or-later
// The converter's AGI sound resource and MIDI handlers.
#include "tools/ConvertFormats.h"

#include "framework/AtomicFile.h"
#include "sound/AgiFile.h"

#include <cstdio>

bool Report(const Status& status)
{
    if (!status.Ok() && !status.GetFailure().Silent())
        std::fprintf(stderr, "%s\n", status.Error().c_str());
    return status.Ok();
}

bool ImportAgiInput(CSoundDoc& doc, const std::string& path)
{
    return Report(ImportAgiFile(doc, path));
}

bool WriteAgiOutput(const CSoundDoc& doc, const std::string& path)
{
    return Report(WriteAtomically(path, [&doc](CFile& out) { return ExportAgi(doc, out); }));
}

bool WriteMidiOutput(const CSoundDoc& doc, const MidiPrograms& programs, const std::string& path)
{
    return Report(
        WriteAtomically(path, [&](CFile& out) { return ExportMidi(doc, programs, out); }));
}
