// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MidiExport.h"

#include "framework/File.h"
#include "sound/SoundDoc.h"

Status ExportMidi(const CSoundDoc& doc, const MidiPrograms& programs, CFile& out)
{
    // Built under the guard, written after it is released.
    const std::string bytes = doc.BuildMIDIFile(programs);
    if (bytes.empty())
        return Failure{CSoundDoc::kMidiTooLargeText};
    out.Write(bytes.data(), bytes.size());
    return Success();
}
