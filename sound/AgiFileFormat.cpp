// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's sound resource as a file of any name.
#include "sound/FileFormat.h"

#include "sound/AgiFile.h"
#include "sound/AgiResource.h"

namespace
{
// A sound resource starts with the offsets of its four channels' data, which begins right
// after them and runs in channel order; a document starts with text, which never reads so.
bool LooksLikeAgiResource(std::span<const std::uint8_t> head, std::uint64_t fileSize)
{
    if (head.size() < kAgiOffsetTableBytes)
        return false;
    std::uint64_t previous = kAgiOffsetTableBytes;
    for (std::size_t channel = 0; channel < kAgiOffsetTableBytes / 2; ++channel)
    {
        const std::uint64_t offset = ReadLE16(&head[2 * channel]);
        if (offset < previous || offset > fileSize)
            return false;
        previous = offset;
    }
    return true;
}

Result<ImportNotes> ImportAgiPath(CSoundDoc& doc, const std::string& path, const ImportRequest&)
{
    if (Status imported = ImportAgiFile(doc, path); !imported.Ok())
        return imported.GetFailure();
    return ImportNotes{};
}

Status ExportAgiRange(const CSoundDoc& doc, const ExportRequest& request, CFile& out)
{
    return ExportAgi(doc, request.range, out);
}
} // namespace

const FileFormat& AgiFileFormat()
{
    static const FileFormat format{
        .key = "agi",
        .name = "AGI Sound Resources",
        .openExtensions = {},
        .saveExtensions = {},
        .saveFilter = "Resource Files (*.*)|*.*||",
        .compressedExtension = "",
        .mimeType = "",
        .options = FileFormat::Range,
        .recognition = FileFormat::Recognition::ByContent,
        .looksLike = LooksLikeAgiResource,
        .import = ImportAgiPath,
        .exportDocument = ExportAgiRange,
        .exportResource = nullptr,
    };
    return format;
}
