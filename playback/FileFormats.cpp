// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/FileFormats.h"

#include "framework/AtomicFile.h"
#include "framework/File.h"

#include <algorithm>
#include <array>

namespace
{
// Enough for any format's content test.
constexpr std::size_t kHeadBytes = 64;

struct FileHead
{
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
};

// The first bytes of the file; none when it cannot be read.
FileHead ReadHead(const std::string& path)
{
    FileHead head;
    try
    {
        CDiskFile file(path, CDiskFile::modeRead);
        head.size = file.GetRemaining();
        head.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(head.size, kHeadBytes)));
        head.bytes.resize(file.Read(head.bytes.data(), head.bytes.size()));
    }
    catch (const CFileException&)
    {
        head = {};
    }
    return head;
}

template <typename Pick> const FileFormat* FirstFormat(Pick pick)
{
    const auto formats = FileFormats();
    const auto found = std::find_if(formats.begin(), formats.end(),
                                    [&](const FileFormat* pFormat) { return pick(*pFormat); });
    return found != formats.end() ? *found : nullptr;
}
} // namespace

std::span<const FileFormat* const> FileFormats()
{
    static const std::array<const FileFormat*, 5> formats{
        &DocumentFileFormat(), &AgiFileFormat(), &MidiFileFormat(),
        &VgmFileFormat(),      &WavFileFormat(),
    };
    return formats;
}

const FileFormat* FindFileFormat(std::string_view key)
{
    return FirstFormat([&](const FileFormat& format) { return key == format.key; });
}

const FileFormat* FormatReadingName(const std::string& path)
{
    return FirstFormat([&](const FileFormat& format)
                       { return format.Imports() && format.OpensName(path); });
}

const FileFormat* FormatWritingName(const std::string& path)
{
    return FirstFormat([&](const FileFormat& format)
                       { return format.Exports() && format.SavesName(path); });
}

const FileFormat& RecogniseFile(const std::string& path)
{
    using Recognition = FileFormat::Recognition;
    if (const FileFormat* pFormat = FirstFormat(
            [&](const FileFormat& format)
            {
                return format.Imports() && format.recognition == Recognition::ByExtension &&
                       format.OpensName(path);
            }))
        return *pFormat;
    const FileHead head = ReadHead(path);
    if (const FileFormat* pFormat = FirstFormat(
            [&](const FileFormat& format)
            {
                return format.Imports() && format.recognition == Recognition::ByContent &&
                       format.looksLike(head.bytes, head.size);
            }))
        return *pFormat;
    return *FirstFormat([](const FileFormat& format)
                        { return format.recognition == Recognition::Otherwise; });
}

std::string OpenFileFilter()
{
    std::string entries;
    std::string patterns;
    bool bAnyName = false;
    for (const FileFormat* pFormat : FileFormats())
    {
        if (!pFormat->Imports())
            continue;
        entries += pFormat->OpenFilterEntry();
        bAnyName = bAnyName || pFormat->openExtensions.empty();
        for (const std::string& extension : pFormat->openExtensions)
            patterns += (patterns.empty() ? "*" : ";*") + extension;
    }
    // The first entry, which the chooser starts with, shows every file that opens; with a
    // format whose files have any name that is every file.
    if (bAnyName)
        return "All Files (*.*)|*.*|" + entries + "|";
    return "All Sound Files (" + patterns + ")|" + patterns + "|" + entries +
           "All Files (*.*)|*.*||";
}

std::string DesktopMimeTypes()
{
    std::string types;
    for (const FileFormat* pFormat : FileFormats())
        if (pFormat->Imports() && *pFormat->mimeType != '\0')
            types += std::string(pFormat->mimeType) + ";";
    return types;
}

Status ExportFile(const FileFormat& format, const CSoundDoc& doc, ExportRequest request,
                  const std::string& path)
{
    request.bCompressed = format.CompressesName(path);
    return WriteAtomically(path,
                           [&](CFile& out) { return format.exportDocument(doc, request, out); });
}

Status ExportResourceFile(const FileFormat& format, const std::vector<std::uint8_t>& resource,
                          ExportRequest request, const std::string& path)
{
    request.bCompressed = format.CompressesName(path);
    return WriteAtomically(path,
                           [&](CFile& out) { return format.exportResource(resource, request, out); });
}
