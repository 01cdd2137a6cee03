// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's own document file, .tks.
#include "sound/FileFormat.h"

#include "framework/Archive.h"
#include "sound/SoundDoc.h"

namespace
{
Result<ImportNotes> OpenDocumentFile(CSoundDoc& doc, const std::string& path, const ImportRequest&)
{
    if (Status opened = doc.OnOpenDocument(path); !opened.Ok())
        return opened.GetFailure();
    return ImportNotes(doc.GetLoadNotes());
}

Status WriteDocumentFile(const CSoundDoc& doc, const ExportRequest&, CFile& out)
{
    CArchive ar(&out, CArchive::store);
    doc.Store(ar);
    ar.Close();
    return Success();
}
} // namespace

const FileFormat& DocumentFileFormat()
{
    static const FileFormat format{
        .key = "tks",
        .name = "Tarvok Sound Files",
        .openExtensions = {kDocumentExtension},
        .saveExtensions = {kDocumentExtension},
        .saveFilter = "Tarvok Sound Files (*.tks)|*.tks|All Files (*.*)|*.*||",
        .compressedExtension = "",
        .mimeType = "application/x-tarvok-sound",
        .options = 0,
        .recognition = FileFormat::Recognition::Otherwise,
        .looksLike = nullptr,
        .import = OpenDocumentFile,
        .exportDocument = WriteDocumentFile,
        .exportResource = nullptr,
    };
    return format;
}
