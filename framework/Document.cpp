// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Document.h"

#include "framework/Archive.h"
#include "framework/AtomicFile.h"
#include "framework/File.h"
#include "framework/MemFile.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>

void CDocument::SetPathName(const std::string& path)
{
    m_strPathName = path;
    m_strTitle = std::filesystem::path(path).filename().string();
}

void CDocument::AddView(IDocumentView* pView)
{
    if (std::find(m_views.begin(), m_views.end(), pView) == m_views.end())
        m_views.push_back(pView);
}

void CDocument::RemoveView(IDocumentView* pView)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), pView), m_views.end());
}

void CDocument::UpdateAllViews(IDocumentView* pSender)
{
    // A view may unregister itself while being told; walk a copy.
    const std::vector<IDocumentView*> views = m_views;
    for (IDocumentView* pView : views)
        if (pView != pSender)
            pView->OnUpdate(pSender);
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

std::string CDocument::SaveToBytes()
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        Serialize(ar);
        ar.Close();
    }
    return file.Detach();
}

Status CDocument::LoadFromBytes(const std::string& bytes)
{
    CMemFile file(bytes.data(), bytes.size());
    return LoadFromFile(file);
}

Status CDocument::LoadFromFile(CFile& file)
{
    DeleteContents();
    SetModifiedFlag(true); // dirty while loading, as a half-loaded document must not look saved
    try
    {
        CArchive ar(&file, CArchive::load);
        Serialize(ar);
    }
    catch (const CArchiveException& e)
    {
        DeleteContents();
        return Failure{e.m_strMessage.empty() ? "Unexpected file format." : e.m_strMessage};
    }
    catch (const CFileException& e)
    {
        DeleteContents();
        return Failure::FromFile(e.what());
    }
    catch (const std::bad_alloc&)
    {
        DeleteContents();
        return Failure{"Not enough memory to load the document."};
    }
    SetModifiedFlag(false);
    return Success();
}

Status CDocument::OnOpenDocument(const std::string& path)
{
    // Documents larger than this are not sound documents; refusing keeps memory bounded.
    constexpr std::uint64_t kMaxDocumentBytes = 512ull * 1024 * 1024;
    // Read straight from the disk: a copy of a large file in memory would double the peak.
    std::optional<CDiskFile> file;
    try
    {
        file.emplace(path, CDiskFile::modeRead, kMaxDocumentBytes);
    }
    catch (const CFileException& e)
    {
        return Failure::FromFile(e.what());
    }
    return LoadFromFile(*file);
}

Status CDocument::OnSaveDocument(const std::string& path)
{
    try
    {
        // Written as it is made, so the whole text never sits in memory.
        CAtomicFile file(path);
        {
            CArchive ar(&file, CArchive::store);
            Serialize(ar);
            ar.Close();
        }
        file.Commit();
    }
    catch (const CFileException& e)
    {
        return Failure::FromFile(e.what());
    }
    SetModifiedFlag(false);
    return Success();
}

void CDocument::OnCloseDocument()
{
    DeleteContents();
}
