// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorApp.h"

#include "app/CommandActions.h"
#include "app/DesktopFiles.h"
#include "app/MainFrame.h"
#include "app/MidiCommands.h"
#include "app/MidiKeyboard.h"
#include "app/QtUserInterface.h"
#include "resources/Icons.h"
#include "resources/ResourceTables.h"
#include "views/FollowPlayback.h"
#include "views/NoteKeyboard.h"
#include "views/SoundFrame.h"
#include "views/VoiceScopes.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

#include <cstdio>
#include <utility>

namespace
{
const char* const kRegistryKey = "Zantiva Software";
const char* const kNoSoundOption = "--no-sound";
const char* const kSineLeavesOutNoiseText = "The sine preview does not play the noise channel";
} // namespace

CEditorApp::CEditorApp()
    : m_pMidiKeyboard(std::make_unique<CMidiKeyboard>()),
      m_pMidiCommands(std::make_unique<CMidiCommands>(*this))
{
}

CEditorApp::~CEditorApp()
{
    if (m_pMainWnd != nullptr || m_playback.GetPlayThread() != nullptr)
        ExitInstance();
}

bool CEditorApp::InitInstance(const QStringList& arguments)
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kRegistryKey));
    QCoreApplication::setApplicationName(QString::fromUtf8(LoadResourceString(AFX_IDS_APP_TITLE)));
    QApplication::setWindowIcon(ApplicationIcon());

    QString strFile;
    bool bNoSound = false;
    for (const QString& argument : arguments)
    {
        if (argument == QLatin1String(kNoSoundOption))
            bNoSound = true;
        else if (argument.startsWith(QLatin1String("--")) || !strFile.isEmpty())
        {
            std::fprintf(stderr, "usage: tarvok [%s] [FILE]\n", kNoSoundOption);
            return false;
        }
        else
            strFile = argument;
    }

    m_documents.LoadRecentFiles();
    m_chipChoice.Load();
    CNoteKeyboard::Instance().Load();
    m_chipChoice.SetActiveSessionSource(
        [this] { return m_documents.GetSession(m_documents.GetActiveDocument()); });
    CFollowPlayback::Instance().Load();
    const auto useVoice = [this] { m_playback.UseVoiceOf(m_documents.GetActiveDocument()); };
    connect(&m_chipChoice, &CChipChoice::Changed, this, useVoice);
    connect(&m_chipChoice, &CChipChoice::FadeChanged, this, useVoice);

    m_pMainWnd = new CMainFrame(this);
    CreateCommands();
    if (!m_pMainWnd->OnCreate())
    {
        delete m_pMainWnd;
        m_pMainWnd = nullptr;
        return false;
    }
    m_pMainWnd->RestoreGeometry();
    // The chip list on the sound bar changes the choice without a command.
    connect(&m_chipChoice, &CChipChoice::Changed, m_pMainWnd, &CMainFrame::UpdateCommandStates);
    connect(&m_chipChoice, &CChipChoice::FadeChanged, m_pMainWnd, &CMainFrame::UpdateCommandStates);
    connect(&m_chipChoice, &CChipChoice::Changed, this, &CEditorApp::ShowWhatPlays);

    RegisterDocumentType();
    m_recovery.ConnectSessionManager();

    // A file that cannot be opened is told and the editor goes on with a new sound, as after
    // File > Open.
    const bool bOpened =
        !strFile.isEmpty() && m_documents.OpenDocumentFile(QStringToPath(strFile)) != nullptr;
    m_recovery.Open();
    if (m_recovery.RecoverUnsaved() == 0 && !bOpened && m_documents.OpenDocumentFile({}) == nullptr)
        return false;
    m_recovery.StartAutosave();

    m_pMainWnd->show();
    m_playback.StartPlayThread(bNoSound);
    m_pMidiCommands->Listen(*m_pMidiKeyboard);
    m_pMidiKeyboard->Start();
    return true;
}

void CEditorApp::CreateCommands()
{
    CCommandActions& commands = m_pMainWnd->Commands();
    m_fileCommands.CreateActions(commands);
    m_editCommands.CreateActions(commands);
    m_viewCommands.CreateActions(commands);
    m_soundCommands.CreateActions(commands);
    m_windowCommands.CreateActions(commands);
    m_helpCommands.CreateActions(commands);
    m_pMidiCommands->CreateActions(commands);
}

int CEditorApp::ExitInstance()
{
    // Normally the main window has closed every document; after a failed start some may remain.
    m_documents.CloseAllDocuments();
    m_recovery.Close();
    m_playback.StopPlayThread();
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    return 0;
}

void CEditorApp::ShowWhatPlays()
{
    if (m_pMainWnd == nullptr)
        return;
    const SynthKind kind = m_chipChoice.Get();
    bool bShown = false;
    for (QMdiSubWindow* pWindow : m_pMainWnd->GetMdiArea()->subWindowList())
        if (auto* pFrame = qobject_cast<CSoundFrame*>(pWindow); pFrame && pFrame->GetScopes())
        {
            pFrame->GetScopes()->SetSilentMask(VoicesNotPlayedBy(kind));
            bShown = true;
        }
    if (kind == SynthKind::Sine && bShown && !std::exchange(m_bToldSineNoise, true))
        SetIdleText(kSineLeavesOutNoiseText);
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
