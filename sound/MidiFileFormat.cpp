// SPDX-License-Identifier: GPL-3.0-or-later
// Standard MIDI files: read into a new song, written from the three tone voices.
#include "sound/FileFormat.h"

#include "sound/ImportReport.h"
#include "sound/SongFiles.h"

namespace
{
Result<ImportNotes> ImportMidiPath(CSoundDoc& doc, const std::string& path,
                                   const ImportRequest& request)
{
    const Result<std::vector<std::uint8_t>> bytes = ReadSongFile(path);
    if (!bytes.Ok())
        return bytes.GetFailure();
    const Result<MidiImportCounts> counts = ImportMidi(bytes.Value(), request.midi, doc);
    if (!counts.Ok())
        return counts.GetFailure();
    return MidiImportReport(counts.Value());
}

Status ExportMidiRange(const CSoundDoc& doc, const ExportRequest& request, CFile& out)
{
    return ExportMidi(doc, request.range, request.programs, out);
}
} // namespace

const FileFormat& MidiFileFormat()
{
    static const FileFormat format{
        .key = "mid",
        .name = "MIDI Files",
        .openExtensions = {".mid", ".midi"},
        .saveExtensions = {".mid"},
        .saveFilter = "MIDI Files (*.mid)|*.mid||",
        .compressedExtension = "",
        .mimeType = "audio/midi",
        .options = FileFormat::Range | FileFormat::Instruments | FileFormat::Channels,
        .recognition = FileFormat::Recognition::ByExtension,
        .looksLike = nullptr,
        .import = ImportMidiPath,
        .exportDocument = ExportMidiRange,
        .exportResource = nullptr,
    };
    return format;
}
