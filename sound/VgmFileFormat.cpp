// SPDX-License-Identifier: GPL-3.0-or-later
// VGM logs of the sound chip, plain (.vgm) or gzip-compressed (.vgz).
#include "sound/FileFormat.h"

#include "framework/File.h"
#include "sound/ImportReport.h"
#include "sound/SongFiles.h"
#include "sound/VgmImport.h"
#include "sound/VgmWriter.h"

namespace
{
Result<ImportNotes> ImportVgmPath(CSoundDoc& doc, const std::string& path, const ImportRequest&)
{
    const Result<std::vector<std::uint8_t>> bytes = ReadSongFile(path);
    if (!bytes.Ok())
        return bytes.GetFailure();
    const Result<VgmImportNotes> notes = ImportVgm(bytes.Value(), doc);
    if (!notes.Ok())
        return notes.GetFailure();
    return VgmImportReport(notes.Value());
}

VgmOptions VgmOptionsOf(const ExportRequest& request)
{
    return {.chip = request.chip,
            .fade = request.fade,
            .bLoop = request.bLoop,
            .title = request.title,
            .game = request.game,
            .bGzip = request.bCompressed,
            .muteMask = request.muteMask};
}

Status WriteBytes(const Result<std::vector<std::uint8_t>>& bytes, CFile& out)
{
    if (!bytes.Ok())
        return bytes.GetFailure();
    out.Write(bytes.Value().data(), bytes.Value().size());
    return Success();
}

Status ExportVgmRange(const CSoundDoc& doc, const ExportRequest& request, CFile& out)
{
    return WriteBytes(BuildDocumentVgm(doc, request.range, VgmOptionsOf(request)), out);
}

Status ExportVgmRecords(const std::vector<std::uint8_t>& resource, const ExportRequest& request,
                        CFile& out)
{
    return WriteBytes(BuildVgm(resource.data(), resource.size(), VgmOptionsOf(request)), out);
}
} // namespace

const FileFormat& VgmFileFormat()
{
    static const FileFormat format{
        .key = "vgm",
        .name = "VGM Files",
        .openExtensions = {".vgm", ".vgz"},
        .saveExtensions = {".vgm", ".vgz"},
        .saveFilter =
            "VGM Files (*.vgm)|*.vgm|Compressed VGM Files (*.vgz)|*.vgz|All Files (*.*)|*.*||",
        .compressedExtension = ".vgz",
        .mimeType = "audio/x-vgm",
        .options = FileFormat::Range | FileFormat::Chip | FileFormat::Fade | FileFormat::Voices |
                   FileFormat::Loop,
        .recognition = FileFormat::Recognition::ByExtension,
        .looksLike = nullptr,
        .import = ImportVgmPath,
        .exportDocument = ExportVgmRange,
        .exportResource = ExportVgmRecords,
    };
    return format;
}
