// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DocumentManager.h"

#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "app/QtUserInterface.h"
#include "app/WindowTitles.h"
#include "framework/TextCodec.h"
#include "playback/FileFormats.h"
#include "resources/Icons.h"
#include "session/Prompts.h"
#include "sound/ImportReport.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QSettings>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace
{
constexpr QSize kDefaultFrameSize(720, 480);

// A window opens with the pattern under the sequence cursor in its pattern editor, rather than
// an empty editor until the person picks that pattern.
void ChooseCurrentPattern(CSoundSession& session)
{
    if (session.GetCurrentPattern() == nullptr)
        session.SetCurrentPattern(session.GetDocument()->GetPatternAt(session.GetSequenceCursor()));
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    const bool bSame = std::filesystem::equivalent(a, b, error);
    return error ? a == b : bSame;
}

// "Sound3" for the third untitled document; 0 for any other title.
int UntitledNumber(const std::string& title)
{
    const std::string base = CDocumentManager::kUntitledBaseName;
    if (title.size() <= base.size() || title.compare(0, base.size(), base) != 0)
        return 0;
    const std::string digits = title.substr(base.size());
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(digits);
}
} // namespace

CDocumentManager::CDocumentManager(CEditorApp& app)
    : m_app(app),
      m_recentFiles(QStringLiteral("Recent File List"), QStringLiteral("File%1"), kRecentFileCount)
{
}

CDocumentManager::~CDocumentManager() = default;

void CDocumentManager::LoadRecentFiles()
{
    QSettings settings;
    m_recentFiles.ReadList(settings);
}

CSoundDoc* CDocumentManager::OpenDocumentFile(const std::string& strPath)
{
    std::unique_ptr<CSoundDoc> pDoc;
    if (strPath.empty())
    {
        pDoc = std::make_unique<CSoundDoc>();
        pDoc->SetTitle(kUntitledBaseName + std::to_string(m_nUntitledCount + 1));
        if (!pDoc->OnNewDocument())
            return nullptr;
        ++m_nUntitledCount;
    }
    else if (const FileFormat& format = RecogniseFile(strPath); &format != &DocumentFileFormat())
        return m_app.SongImports().ImportNewSound(format, strPath);
    else
    {
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(strPath, error);
        const std::string path = error ? strPath : absolute.lexically_normal().string();
        for (const auto& pOpen : m_documents)
        {
            if (!pOpen->GetPathName().empty() && IsSameFile(pOpen->GetPathName(), path))
            {
                ActivateDocument(pOpen.get());
                return pOpen.get();
            }
        }
        pDoc = std::make_unique<CSoundDoc>();
        if (const Status opened = pDoc->OnOpenDocument(path); !opened.Ok())
        {
            // The reader says what is wrong and where; the person needs to know with which file.
            Failure failure = opened.GetFailure();
            if (failure.cause == Failure::Cause::Refused && !failure.Silent())
                failure.message = "Cannot open " + path + ":\n" + failure.message;
            ShowFailure(failure);
            return nullptr;
        }
        pDoc->SetPathName(path);
        AddToRecentFileList(path);
    }

    CSoundDoc* pOpened = AddDocument(std::move(pDoc));
    // What the reader had to change to take the file is said once, as imports say their losses.
    if (pOpened != nullptr && !pOpened->GetLoadNotes().empty())
        m_app.SetIdleText(std::filesystem::path(pOpened->GetPathName()).filename().string() + ": " +
                          JoinReport(pOpened->GetLoadNotes()));
    return pOpened;
}

void CDocumentManager::CountUntitled(const std::string& title)
{
    m_nUntitledCount = std::max(m_nUntitledCount, UntitledNumber(title));
}

void CDocumentManager::ActivateDocument(CSoundDoc* pDoc)
{
    const std::vector<CSoundFrame*> frames = GetFrames(pDoc);
    if (!frames.empty())
        m_app.GetMainFrame()->GetMdiArea()->setActiveSubWindow(frames.front());
}

CSoundDoc* CDocumentManager::AddDocument(std::unique_ptr<CSoundDoc> pDoc, const GameOrigin& origin)
{
    CSoundDoc* pResult = pDoc.get();
    m_documents.push_back(std::move(pDoc));
    CPlaybackController& playback = m_app.Playback();
    auto pSession = std::make_unique<CSoundSession>(
        pResult, SoundViewServices{&m_app, &playback, m_app.GetDialogs()});
    pSession->SetGameOrigin(origin);
    QObject::connect(pSession.get(), &CSoundSession::MuteMaskChanged, &playback,
                     [&playback, pSession = pSession.get()]
                     { playback.OnMuteMaskChanged(pSession); });
    m_sessions[pResult] = std::move(pSession);
    if (CreateNewFrame(pResult) == nullptr)
    {
        CloseDocument(pResult);
        return nullptr;
    }
    return pResult;
}

std::vector<CSoundFrame*> CDocumentManager::GetFrames(const CSoundDoc* pDoc) const
{
    std::vector<CSoundFrame*> frames;
    if (m_app.GetMainFrame() == nullptr)
        return frames;
    for (QMdiSubWindow* pWindow : m_app.GetMainFrame()->GetMdiArea()->subWindowList())
    {
        auto* pFrame = qobject_cast<CSoundFrame*>(pWindow);
        if (pFrame != nullptr && pFrame->GetDocument() == pDoc && !pFrame->IsClosing())
            frames.push_back(pFrame);
    }
    return frames;
}

CSoundFrame* CDocumentManager::CreateNewFrame(CSoundDoc* pDoc)
{
    CSoundSession* pSession = GetSession(pDoc);
    if (pSession == nullptr)
        return nullptr;
    ChooseCurrentPattern(*pSession);
    CMainFrame* pMainWnd = m_app.GetMainFrame();
    auto* pFrame = new CSoundFrame(pSession, this, &m_app.Playback().ScopeSource());
    pFrame->setWindowIcon(ApplicationIcon());
    if (!pFrame->OnCreateClient())
    {
        delete pFrame;
        return nullptr;
    }
    // Sized before it joins the area, so that a maximized neighbour's state carries over to it
    // rather than being overridden.
    pFrame->resize(pMainWnd->FitToWorkArea(kDefaultFrameSize));
    pMainWnd->AddSoundFrame(pFrame);
    UpdateFrameTitles(pDoc);
    pFrame->show();
    pMainWnd->KeepInsideWorkspace(pFrame);
    pMainWnd->GetMdiArea()->setActiveSubWindow(pFrame);
    pFrame->SetActivePane(0);
    m_app.ShowWhatPlays();
    // The sound bar serves the new editor even before it is clicked.
    m_app.ShowToolbar(IDR_SOUNDTYPE, true);
    return pFrame;
}

CSoundDoc* CDocumentManager::GetActiveDocument() const
{
    const CMainFrame* pMainWnd = m_app.GetMainFrame();
    const CSoundFrame* pFrame = pMainWnd != nullptr ? pMainWnd->GetActiveSoundFrame() : nullptr;
    return pFrame != nullptr ? pFrame->GetDocument() : nullptr;
}

void CDocumentManager::UpdateFrameTitles(const CSoundDoc* pDoc) const
{
    const std::vector<CSoundFrame*> frames = GetFrames(pDoc);
    std::string name = pDoc->GetTitle();
    // A file of its own and a game's sound: the title names both.
    const CSoundSession* pSession = GetSession(pDoc);
    if (pSession != nullptr && pSession->GetGameOrigin().IsSet() && !pDoc->GetPathName().empty())
        name += " (" + CGameFolderCommands::SoundTitle(pSession->GetGameOrigin()) + ")";
    const QString title = QString::fromStdString(ToDisplayUtf8(name));
    for (std::size_t i = 0; i < frames.size(); ++i)
    {
        frames[i]->setWindowTitle(WindowTitles::Marked(
            frames.size() == 1 ? title : QStringLiteral("%1:%2").arg(title).arg(i + 1)));
        frames[i]->setWindowModified(pDoc->IsModified());
    }
}

void CDocumentManager::OnFileNew()
{
    OpenDocumentFile({});
}

void CDocumentManager::OnFileOpen()
{
    FileDialogRequest request;
    request.bOpen = true;
    request.strFilter = OpenFileFilter();
    request.bFileMustExist = true;
    request.bPathMustExist = true;
    std::string path;
    if (GetFileNameSource().AskFileName(request, path))
        OpenDocumentFile(path);
}

bool CDocumentManager::SaveModified(CSoundDoc* pDoc)
{
    // A take still recording is part of what is kept or thrown away.
    if (CSoundSession* pSession = GetSession(pDoc))
        pSession->Recorder().End();
    if (!pDoc->IsModified())
        return true;
    const std::string& name = pDoc->GetPathName().empty() ? pDoc->GetTitle() : pDoc->GetPathName();
    switch (AfxMessageBox("Save changes to " + ToDisplayUtf8(name) + "?", MessageKind::Warning,
                          Buttons::YesNoCancel))
    {
    case Answer::Cancel:
        return false;
    case Answer::Yes:
        return DoFileSave(pDoc);
    default:
        return true;
    }
}

bool CDocumentManager::SaveAllModified()
{
    for (const auto& pDoc : m_documents)
        if (!SaveModified(pDoc.get()))
            return false;
    return true;
}

bool CDocumentManager::DoFileSave(CSoundDoc* pDoc)
{
    // A game's sound without a file of its own asks for one, as a new document does; Save
    // into Game writes the game.
    const std::string& path = pDoc->GetPathName();
    const QFileInfo info(PathToQString(path));
    // A read-only file is not overwritten: ask for another name, as for a new document.
    return DoSave(pDoc, path.empty() || (info.exists() && !info.isWritable()));
}

bool CDocumentManager::DoSave(CSoundDoc* pDoc, bool bReplace)
{
    std::string path = pDoc->GetPathName();
    if (bReplace || path.empty())
    {
        FileDialogRequest request;
        request.bOpen = false;
        request.strDefaultExt = kDocumentExtension + 1;
        request.strFilter = DocumentFileFormat().saveFilter;
        request.bOverwritePrompt = true;
        request.bPathMustExist = true;
        request.strFileName = path.empty() ? pDoc->GetTitle() : path;
        if (path.empty() && !DocumentFileFormat().SavesName(request.strFileName))
            request.strFileName += kDocumentExtension;
        if (!GetFileNameSource().AskFileName(request, path))
            return false;
    }
    if (const Status saved = pDoc->OnSaveDocument(path); !saved.Ok())
    {
        ShowFailure(saved.GetFailure());
        return false;
    }
    m_app.Recovery().Store().Forget(pDoc);
    pDoc->SetPathName(path);
    AddToRecentFileList(path);
    UpdateFrameTitles(pDoc);
    return true;
}

void CDocumentManager::OnFileClose(CSoundDoc* pDoc)
{
    if (SaveModified(pDoc))
        CloseDocument(pDoc);
}

void CDocumentManager::CloseDocument(CSoundDoc* pDoc)
{
    for (CSoundFrame* pFrame : GetFrames(pDoc))
        pFrame->DestroyFrame();
    ForgetDocument(pDoc);
}

void CDocumentManager::ForgetDocument(CSoundDoc* pDoc)
{
    m_app.GameFolders().Forget(pDoc);
    m_app.Recovery().Store().Forget(pDoc);
    m_app.Playback().StopDocument(pDoc);
    pDoc->OnCloseDocument();
    m_sessions.erase(pDoc);
    std::erase_if(m_documents, [pDoc](const auto& pOpen) { return pOpen.get() == pDoc; });
}

CSoundSession* CDocumentManager::GetSession(const CSoundDoc* pDoc) const
{
    const auto it = m_sessions.find(pDoc);
    return it != m_sessions.end() ? it->second.get() : nullptr;
}

void CDocumentManager::CloseAllDocuments()
{
    while (!m_documents.empty())
        CloseDocument(m_documents.front().get());
}

bool CDocumentManager::OnCloseFrame(CSoundFrame* pFrame)
{
    CSoundDoc* pDoc = pFrame->GetDocument();
    const std::vector<CSoundFrame*> frames = GetFrames(pDoc);
    const bool bLastFrame = frames.size() == 1 && frames.front() == pFrame;
    if (!bLastFrame)
    {
        pFrame->SetClosing(true);
        UpdateFrameTitles(pDoc);
        return true;
    }
    if (!SaveModified(pDoc))
        return false;
    pFrame->SetClosing(true);
    pFrame->DestroyViews();
    ForgetDocument(pDoc);
    return true;
}

void CDocumentManager::AddToRecentFileList(const std::string& strPath)
{
    m_recentFiles.Add(PathToQString(strPath));
    QSettings settings;
    m_recentFiles.WriteList(settings);
}

void CDocumentManager::OpenRecentFile(int nIndex)
{
    const QStringList& entries = m_recentFiles.GetEntries();
    if (nIndex < 0 || nIndex >= entries.size())
        return;
    if (OpenDocumentFile(QStringToPath(entries[nIndex])) == nullptr)
    {
        m_recentFiles.Remove(nIndex);
        QSettings settings;
        m_recentFiles.WriteList(settings);
    }
}
