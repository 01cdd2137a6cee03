// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/AgiFile.h"

#include "framework/File.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"

#include <mutex>

Result<std::vector<std::uint8_t>> ReadAgiFile(const std::string& path)
{
    std::vector<std::uint8_t> data;
    try
    {
        CDiskFile file(path, CDiskFile::modeRead);
        if (file.GetRemaining() > kMaxAgiFileBytes)
            return Failure{AgiTooLongMessage(file.GetRemaining())};
        // Read to the end rather than trusting the size: not every file reports one.
        std::uint8_t chunk[65536];
        while (data.size() <= kMaxAgiFileBytes)
        {
            const std::size_t n = file.Read(chunk, sizeof chunk);
            if (n == 0)
                break;
            data.insert(data.end(), chunk, chunk + n);
        }
    }
    catch (const CFileException& e)
    {
        return Failure::FromFile(e.what());
    }
    return data;
}

Result<std::vector<std::uint8_t>> BuildAgiBytes(const CSoundDoc& doc, const PlayRange& range)
{
    std::lock_guard lock(doc.Guard());
    return BuildAgiResource(doc, range);
}

Status ExportAgi(const CSoundDoc& doc, const PlayRange& range, CFile& out)
{
    const auto bytes = BuildAgiBytes(doc, range);
    if (!bytes.Ok())
        return bytes.GetFailure();
    out.Write(bytes.Value().data(), bytes.Value().size());
    return Success();
}

Status ImportAgi(CSoundDoc& doc, const std::vector<std::uint8_t>& resource)
{
    Status parsed = Success();
    {
        std::lock_guard lock(doc.Guard());
        parsed = ParseAgiResource(doc, resource);
    }
    if (!parsed.Ok())
        return parsed;
    doc.UpdateAllViews(nullptr);
    return Success();
}

Status ImportAgiFile(CSoundDoc& doc, const std::string& path)
{
    const auto data = ReadAgiFile(path);
    if (!data.Ok())
        return data.GetFailure();
    return ImportAgi(doc, data.Value());
}
