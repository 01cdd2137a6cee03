// SPDX-License-Identifier: GPL-3.0-or-later
// The document's AGI commands: they run the resource reader and writer under the guard and
// show what went wrong once it is released, so playback never waits on a message box.
#include "sound/SoundDoc.h"

#include "framework/File.h"
#include "framework/UserInterface.h"
#include "sound/AgiResource.h"

#include <algorithm>
#include <mutex>

bool CSoundDoc::ImportAGIFile(const std::string& path)
{
    std::vector<std::uint8_t> data;
    {
        CDiskFile file(path, CDiskFile::modeRead);
        if (file.GetRemaining() > kMaxAgiFileBytes)
        {
            AfxMessageBox(AgiTooLongMessage(file.GetRemaining()));
            return false;
        }
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
    std::string error;
    {
        std::lock_guard lock(m_guard);
        m_rawData = std::move(data);
        error = ParseAgiResource(*this, m_rawData);
    }
    if (!error.empty())
    {
        AfxMessageBox(error);
        return false;
    }
    UpdateAllViews(nullptr, nullptr);
    return true;
}

bool CSoundDoc::ParseAGIResource()
{
    std::string error;
    {
        std::lock_guard lock(m_guard);
        error = ParseAgiResource(*this, m_rawData);
    }
    if (!error.empty())
        AfxMessageBox(error);
    return error.empty();
}

bool CSoundDoc::BuildAGIResource()
{
    AgiResourceBuild build;
    {
        std::lock_guard lock(m_guard);
        build = BuildAgiResource(*this);
        if (build.Ok())
            m_rawData = build.bytes;
    }
    if (!build.Ok())
        AfxMessageBox(build.error);
    return build.Ok();
}

bool CSoundDoc::ExportAGI()
{
    FileDialogRequest request;
    request.bOpen = false;
    request.strTitle = "Export AGI Sound";
    request.strFileName = GetExportFileStem();
    request.strFilter = "Resource Files (*.*)|*.*||";
    request.bOverwritePrompt = true;
    request.bPathMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return false;
    if (!BuildAGIResource())
        return false;
    std::vector<std::uint8_t> bytes;
    {
        std::lock_guard lock(m_guard);
        bytes = m_rawData;
    }
    try
    {
        WriteFileAtomically(path, bytes.data(), bytes.size());
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

std::int32_t CSoundDoc::GetWholeSongEnd() const
{
    std::lock_guard lock(m_guard);
    std::int64_t end = 0;
    for (const Sequence& seq : m_sequence)
        for (const auto& [pos, pPattern] : seq)
            if (pPattern != nullptr)
                end = std::max<std::int64_t>(end, std::int64_t{pos} + pPattern->GetRows());
    return static_cast<std::int32_t>(std::min<std::int64_t>(end, INT32_MAX));
}
