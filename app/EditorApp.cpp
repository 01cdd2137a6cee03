// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorApp.h"

#include "app/AboutDlg.h"
#include "app/DesktopFiles.h"
#include "app/ExportCommands.h"
#include "app/ExportScope.h"
#include "app/HelpWindow.h"
#include "app/MainFrame.h"
#include "app/QtUserInterface.h"
#include "app/SessionRowSink.h"
#include "app/VgmExport.h"
#include "app/WavExport.h"
#include "app/WindowTitles.h"
#include "framework/File.h"
#include "framework/TextCodec.h"
#include "resources/Icons.h"
#include "resources/ResourceTables.h"
#include "session/Prompts.h"
#include "sound/AgiFile.h"
#include "sound/SongFiles.h"
#include "views/FollowPlayback.h"
#include "views/NoteKeyboard.h"
#include "views/SoundFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>
#include <QSettings>
#include <QSpinBox>
#include <QTextBrowser>
#include <QToolBar>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace
{
CEditorApp* g_pApp = nullptr;

const char* const kRegistryKey = "Zantiva Software";
const char* const kDocumentFilter = "Tarvok Sound Files (*.tks)|*.tks|All Files (*.*)|*.*||";
const char* const kOpenFilter =
    "Tarvok Sound Files (*.tks)|*.tks|AGI Sound Resources (*)|*|"
    "MIDI and VGM Files (*.mid;*.midi;*.vgm;*.vgz)|*.mid;*.midi;*.vgm;*.vgz|All Files (*.*)|*.*||";
const char* const kNoSoundOption = "--no-sound";
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
} // namespace

CEditorApp* AfxGetEditorApp()
{
    return g_pApp;
}

CEditorApp::CEditorApp()
    : m_recentFiles(QStringLiteral("Recent File List"), QStringLiteral("File%1"), kRecentFileCount)
{
    g_pApp = this;
}

CEditorApp::~CEditorApp()
{
    if (m_pMainWnd != nullptr || m_pPlayThread != nullptr)
        ExitInstance();
    if (g_pApp == this)
        g_pApp = nullptr;
}

bool CEditorApp::InitInstance(const QStringList& arguments)
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kRegistryKey));
    QCoreApplication::setApplicationName(QString::fromUtf8(LoadResourceString(AFX_IDS_APP_TITLE)));
    QApplication::setWindowIcon(ApplicationIcon());

    QString strFile;
    for (const QString& argument : arguments)
    {
        if (argument == QLatin1String(kNoSoundOption))
            m_bNoSound = true;
        else if (argument.startsWith(QLatin1String("--")) || !strFile.isEmpty())
        {
            std::fprintf(stderr, "usage: tarvok [%s] [FILE]\n", kNoSoundOption);
            return false;
        }
        else
            strFile = argument;
    }

    {
        QSettings settings;
        m_recentFiles.ReadList(settings);
    }
    m_chipChoice.Load();
    CNoteKeyboard::Instance().Load();
    m_chipChoice.SetActiveSessionSource([this] { return GetSession(GetActiveDocument()); });
    CFollowPlayback::Instance().Load();
    connect(&m_chipChoice, &CChipChoice::Changed, this,
            [this] { UseVoiceOf(GetActiveDocument()); });
    connect(&m_chipChoice, &CChipChoice::FadeChanged, this,
            [this] { UseVoiceOf(GetActiveDocument()); });

    m_pMainWnd = new CMainFrame(this);
    if (!m_pMainWnd->OnCreate())
    {
        delete m_pMainWnd;
        m_pMainWnd = nullptr;
        return false;
    }
    m_pMainWnd->RestoreGeometry();

    RegisterShellFileTypes();
    ConnectSessionManager();

    // The file asked for opens first: should it fail, the program ends before any earlier
    // program's copies are touched.
    if (!strFile.isEmpty() && OpenDocumentFile(QStringToPath(strFile)) == nullptr)
        return false;
    m_recovery.Open();
    if (RecoverUnsaved() == 0 && strFile.isEmpty() && OpenDocumentFile({}) == nullptr)
        return false;
    StartAutosave();

    m_pMainWnd->show();
    StartPlayThread();
    return true;
}

int CEditorApp::ExitInstance()
{
    // Normally the main window has closed every document; after a failed start some may remain.
    CloseAllDocuments();
    m_autosaveTimer.stop();
    m_recovery.Close();
    StopPlayThread();
    delete m_pHelpWindow;
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    return 0;
}

void CEditorApp::RegisterShellFileTypes()
{
    RegisterDocumentType();
}

CSoundDoc* CEditorApp::OpenDocumentFile(const std::string& strPath)
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
    else if (SongFileKindOf(strPath) != SongFileKind::None)
        return m_songImports.ImportSong(strPath, false);
    else if (IsAgiResource(strPath))
        return m_songImports.ImportAgi(strPath);
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
            ShowFailure(opened.GetFailure());
            return nullptr;
        }
        pDoc->SetPathName(path);
        AddToRecentFileList(path);
    }

    return AddDocument(std::move(pDoc));
}

void CEditorApp::ActivateDocument(CSoundDoc* pDoc)
{
    const std::vector<CSoundFrame*> frames = GetFrames(pDoc);
    if (!frames.empty())
        m_pMainWnd->GetMdiArea()->setActiveSubWindow(frames.front());
}

CSoundDoc* CEditorApp::AddDocument(std::unique_ptr<CSoundDoc> pDoc, const GameOrigin& origin)
{
    CSoundDoc* pResult = pDoc.get();
    m_documents.push_back(std::move(pDoc));
    auto pSession =
        std::make_unique<CSoundSession>(pResult, SoundViewServices{this, this, m_pDialogs});
    pSession->SetGameOrigin(origin);
    connect(pSession.get(), &CSoundSession::MuteMaskChanged, this,
            [this, pSession = pSession.get()] { OnMuteMaskChanged(pSession); });
    m_sessions[pResult] = std::move(pSession);
    if (CreateNewFrame(pResult) == nullptr)
    {
        CloseDocument(pResult);
        return nullptr;
    }
    return pResult;
}

std::vector<CSoundFrame*> CEditorApp::GetFrames(const CSoundDoc* pDoc) const
{
    std::vector<CSoundFrame*> frames;
    if (m_pMainWnd == nullptr)
        return frames;
    for (QMdiSubWindow* pWindow : m_pMainWnd->GetMdiArea()->subWindowList())
    {
        auto* pFrame = qobject_cast<CSoundFrame*>(pWindow);
        if (pFrame != nullptr && pFrame->GetDocument() == pDoc && !pFrame->IsClosing())
            frames.push_back(pFrame);
    }
    return frames;
}

CSoundFrame* CEditorApp::CreateNewFrame(CSoundDoc* pDoc)
{
    CSoundSession* pSession = GetSession(pDoc);
    if (pSession == nullptr)
        return nullptr;
    ChooseCurrentPattern(*pSession);
    auto* pFrame = new CSoundFrame(pSession, this, &m_scopeSource);
    pFrame->setWindowIcon(ApplicationIcon());
    if (!pFrame->OnCreateClient())
    {
        delete pFrame;
        return nullptr;
    }
    // Sized before it joins the area, so that a maximized neighbour's state carries over to it
    // rather than being overridden.
    pFrame->resize(m_pMainWnd->FitToWorkArea(kDefaultFrameSize));
    m_pMainWnd->AddSoundFrame(pFrame);
    UpdateFrameTitles(pDoc);
    pFrame->show();
    m_pMainWnd->KeepInsideWorkspace(pFrame);
    m_pMainWnd->GetMdiArea()->setActiveSubWindow(pFrame);
    pFrame->SetActivePane(0);
    // The sound bar serves the new editor even before it is clicked.
    ShowToolbar(IDR_SOUNDTYPE, true);
    return pFrame;
}

CSoundDoc* CEditorApp::GetActiveDocument() const
{
    const CSoundFrame* pFrame = m_pMainWnd != nullptr ? m_pMainWnd->GetActiveSoundFrame() : nullptr;
    return pFrame != nullptr ? pFrame->GetDocument() : nullptr;
}

void CEditorApp::UpdateFrameTitles(const CSoundDoc* pDoc) const
{
    const std::vector<CSoundFrame*> frames = GetFrames(pDoc);
    const QString title = QString::fromStdString(ToDisplayUtf8(pDoc->GetTitle()));
    for (std::size_t i = 0; i < frames.size(); ++i)
    {
        frames[i]->setWindowTitle(WindowTitles::Marked(
            frames.size() == 1 ? title : QStringLiteral("%1:%2").arg(title).arg(i + 1)));
        frames[i]->setWindowModified(pDoc->IsModified());
    }
}

bool CEditorApp::SaveModified(CSoundDoc* pDoc)
{
    if (!pDoc->IsModified())
        return true;
    const std::string& name = pDoc->GetPathName().empty() ? pDoc->GetTitle() : pDoc->GetPathName();
    switch (AfxMessageBox("Save changes to " + ToDisplayUtf8(name) + "?",
                          MessageKind::Warning, Buttons::YesNoCancel))
    {
    case Answer::Cancel:
        return false;
    case Answer::Yes:
        return DoFileSave(pDoc);
    default:
        return true;
    }
}

bool CEditorApp::SaveAllModified()
{
    for (const auto& pDoc : m_documents)
        if (!SaveModified(pDoc.get()))
            return false;
    return true;
}

bool CEditorApp::DoFileSave(CSoundDoc* pDoc)
{
    // A sound opened from a game goes back into it until it is saved as a file of its own.
    const CSoundSession* pSession = GetSession(pDoc);
    if (pSession != nullptr && pSession->GetGameOrigin().IsSet() && pDoc->GetPathName().empty())
    {
        if (!m_gameFolders.SaveIntoGame(pDoc))
            return false;
        m_recovery.Forget(pDoc);
        return true;
    }
    const std::string& path = pDoc->GetPathName();
    const QFileInfo info(PathToQString(path));
    // A read-only file is not overwritten: ask for another name, as for a new document.
    return DoSave(pDoc, path.empty() || (info.exists() && !info.isWritable()));
}

bool CEditorApp::DoSave(CSoundDoc* pDoc, bool bReplace)
{
    std::string path = pDoc->GetPathName();
    if (bReplace || path.empty())
    {
        FileDialogRequest request;
        request.bOpen = false;
        request.strDefaultExt = kDocumentExtension + 1;
        request.strFilter = kDocumentFilter;
        request.bOverwritePrompt = true;
        request.bPathMustExist = true;
        request.strFileName = path.empty() ? pDoc->GetTitle() : path;
        if (path.empty() && request.strFileName.find('.') == std::string::npos)
            request.strFileName += kDocumentExtension;
        if (!GetFileNameSource().AskFileName(request, path))
            return false;
    }
    if (const Status saved = pDoc->OnSaveDocument(path); !saved.Ok())
    {
        ShowFailure(saved.GetFailure());
        return false;
    }
    m_recovery.Forget(pDoc);
    pDoc->SetPathName(path);
    AddToRecentFileList(path);
    UpdateFrameTitles(pDoc);
    return true;
}

void CEditorApp::CloseDocument(CSoundDoc* pDoc)
{
    for (CSoundFrame* pFrame : GetFrames(pDoc))
        pFrame->DestroyFrame();
    ForgetDocument(pDoc);
}

void CEditorApp::ForgetDocument(CSoundDoc* pDoc)
{
    OnDocumentClosing(pDoc);
    pDoc->OnCloseDocument();
    m_sessions.erase(pDoc);
    std::erase_if(m_documents, [pDoc](const auto& pOpen) { return pOpen.get() == pDoc; });
}

CSoundSession* CEditorApp::GetSession(const CSoundDoc* pDoc) const
{
    const auto it = m_sessions.find(pDoc);
    return it != m_sessions.end() ? it->second.get() : nullptr;
}

void CEditorApp::CloseAllDocuments()
{
    while (!m_documents.empty())
        CloseDocument(m_documents.front().get());
}

bool CEditorApp::OnCloseFrame(CSoundFrame* pFrame)
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

void CEditorApp::AddToRecentFileList(const std::string& strPath)
{
    m_recentFiles.Add(PathToQString(strPath));
    QSettings settings;
    m_recentFiles.WriteList(settings);
}

void CEditorApp::OpenRecentFile(int nIndex)
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

void CEditorApp::OnFileNew()
{
    OpenDocumentFile({});
}

void CEditorApp::OnFileOpen()
{
    FileDialogRequest request;
    request.bOpen = true;
    request.strFilter = kOpenFilter;
    request.bFileMustExist = true;
    request.bPathMustExist = true;
    std::string path;
    if (GetFileNameSource().AskFileName(request, path))
        OpenDocumentFile(path);
}

void CEditorApp::OnAppAbout()
{
    const std::string device =
        m_pPlayThread != nullptr ? m_pPlayThread->GetDeviceDescription() : std::string();
    const unsigned nUnderflows = m_pPlayThread != nullptr ? m_pPlayThread->GetUnderflowCount() : 0;
    CAboutDlg dialog(QString::fromStdString(device), nUnderflows, m_pMainWnd);
    dialog.exec();
}

void CEditorApp::ShowHelp(const QString& anchor)
{
    if (m_pHelpWindow == nullptr)
        m_pHelpWindow = new CHelpWindow(m_pMainWnd);
    m_pHelpWindow->show();
    m_pHelpWindow->raise();
    m_pHelpWindow->activateWindow();
    // Scrolled once shown, when the text has its layout.
    if (!anchor.isEmpty())
        static_cast<CHelpWindow*>(m_pHelpWindow.data())->GetBrowser()->scrollToAnchor(anchor);
}

void CEditorApp::SetIdleMessage(UINT nID)
{
    m_nIdleMessageID = nID;
    if (m_pMainWnd != nullptr)
        m_pMainWnd->OnSetMessageString(nID);
}

void CEditorApp::SetIdleText(const std::string& text)
{
    m_nIdleMessageID = 0;
    m_strIdleText = QString::fromStdString(text);
    if (m_pMainWnd != nullptr)
        m_pMainWnd->OnSetMessageString(0, &m_strIdleText);
}

void CEditorApp::ShowToolbar(UINT nID, bool bShow)
{
    if (nID != IDR_SOUNDTYPE || m_pMainWnd == nullptr)
        return;
    // A menu or a control's own popup (the chip list) taking the keyboard leaves the editor
    // in charge: the bar must not jump under it.
    if (!bShow && (QApplication::activePopupWidget() != nullptr ||
                   qobject_cast<QMenuBar*>(QApplication::focusWidget()) != nullptr))
        return;
    m_pMainWnd->ShowControlBar(m_pMainWnd->GetSoundBar(), bShow, true);
}

bool CEditorApp::IsToolbarVisible(UINT nID) const
{
    return nID == IDR_SOUNDTYPE && m_pMainWnd != nullptr &&
           m_pMainWnd->IsControlBarVisible(m_pMainWnd->GetSoundBar());
}

QWidget* CEditorApp::CreateToolbarControl(UINT nID, QWidget* pParent)
{
    if (nID == IDC_SOUND_OCTAVE)
        return CNoteKeyboard::Instance().CreateSpinBox(pParent);
    return nID == IDC_SOUND_CHIP ? m_chipChoice.CreateComboBox(pParent) : nullptr;
}

bool CEditorApp::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    if (m_chipChoice.OnCmdMsg(nID, pCmdUI) || m_gameFolders.OnCmdMsg(nID, pCmdUI) ||
        m_songImports.OnCmdMsg(nID, pCmdUI) || CNoteKeyboard::Instance().OnCmdMsg(nID, pCmdUI) ||
        CFollowPlayback::Instance().OnCmdMsg(nID, pCmdUI))
        return true;
    if (nID >= ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_LAST)
    {
        const int index = static_cast<int>(nID - ID_FILE_MRU_FILE1);
        if (pCmdUI != nullptr)
            pCmdUI->Enable(index < m_recentFiles.GetEntries().size());
        else
            OpenRecentFile(index);
        return true;
    }
    switch (nID)
    {
    case ID_FILE_NEW:
        if (pCmdUI == nullptr)
            OnFileNew();
        return true;
    case ID_FILE_OPEN:
        if (pCmdUI == nullptr)
            OnFileOpen();
        return true;
    case ID_APP_ABOUT:
        if (pCmdUI == nullptr)
            OnAppAbout();
        return true;
    case ID_APP_EXIT:
        if (pCmdUI == nullptr && m_pMainWnd != nullptr)
            m_pMainWnd->close();
        return true;
    case ID_EXPORT_AGI:
    case ID_EXPORT_MIDI:
    case ID_EXPORT_WAV:
    case ID_EXPORT_VGM:
    {
        CSoundDoc* pDoc = GetActiveDocument();
        if (pDoc == nullptr)
            return false;
        if (pCmdUI == nullptr)
            ExportInScope(*pDoc, m_pMainWnd,
                          [this, nID, pDoc, context = ExportContextOf(pDoc)](
                              const PlayRange& range) { return RunExport(nID, *pDoc, range, context); });
        return true;
    }
    case ID_FILE_CLOSE:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    {
        // Commands of the active document: with none open nobody handles them.
        CSoundDoc* pDoc = GetActiveDocument();
        if (pDoc == nullptr)
            return false;
        if (pCmdUI != nullptr)
            return true;
        if (nID == ID_FILE_CLOSE)
        {
            if (SaveModified(pDoc))
                CloseDocument(pDoc);
        }
        else if (nID == ID_FILE_SAVE)
            DoFileSave(pDoc);
        else
            DoSave(pDoc, true);
        return true;
    }
    default:
        return false;
    }
}
