// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MidiExport.h"

#include "framework/File.h"
#include "sound/SoundDoc.h"

Status ExportMidi(const CSoundDoc& doc, const PlayRange& range, const MidiPrograms& programs,
                  CFile& out)
{
    // Built under the guard, written after it is released.
    const Result<std::string> bytes = doc.BuildMIDIFile(programs, range);
    if (!bytes.Ok())
        return bytes.GetFailure();
    out.Write(bytes.Value().data(), bytes.Value().size());
    return Success();
}
