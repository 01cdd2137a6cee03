// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ChipChoice.h"
#include "app/DocumentManager.h"
#include "app/EditCommands.h"
#include "app/FileCommands.h"
#include "app/GameFolderCommands.h"
#include "app/HelpCommands.h"
#include "app/PlaybackController.h"
#include "app/Recovery.h"
#include "app/SongImportCommands.h"
#include "app/SoundCommands.h"
#include "app/ViewCommands.h"
#include "app/WindowCommands.h"
#include "resources/Resource.h"
#include "session/SoundServices.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;
class CMidiCommands;
class CMidiKeyboard;

// The application: start-up and shutdown, and the parts it holds — the open documents, the
// playback, the recovery copies, what plays, the game folders and imports, and the command
// handlers of each menu. It also offers the editors the status bar's idle prompt and the
// sound toolbar.
class CEditorApp : public QObject, public ISoundViewHost
{
    Q_OBJECT
public:
    CEditorApp();
    ~CEditorApp() override;

    // Start-up with the command line (without the program name); false ends the program.
    bool InitInstance(const QStringList& arguments);
    int ExitInstance();

    CMainFrame* GetMainFrame() const { return m_pMainWnd; }
    CDocumentManager& Documents() { return m_documents; }
    CPlaybackController& Playback() { return m_playback; }
    CRecovery& Recovery() { return m_recovery; }
    CChipChoice& ChipChoice() { return m_chipChoice; }
    CGameFolderCommands& GameFolders() { return m_gameFolders; }
    CSongImportCommands& SongImports() { return m_songImports; }
    CMidiKeyboard& MidiKeyboard() { return *m_pMidiKeyboard; }
    // The dialogs the editors run; set before any document opens.
    void SetDialogs(ISoundDialogs* pDialogs) { m_pDialogs = pDialogs; }
    ISoundDialogs* GetDialogs() const { return m_pDialogs; }

    // Every sound window's scopes mark the voices the chosen chip does not play, and the
    // status bar says once why the sine leaves the noise out.
    void ShowWhatPlays();

    void SetIdleMessage(UINT nID) override;
    void SetIdleText(const std::string& text) override;
    void ShowToolbar(UINT nID, bool bShow) override;
    bool IsToolbarVisible(UINT nID) const override;

    UINT m_nIdleMessageID = AFX_IDS_IDLEMESSAGE;
    // The idle text while m_nIdleMessageID is 0.
    QString m_strIdleText;

private:
    // The main window's actions, each menu's group adding its own.
    void CreateCommands();

    CMainFrame* m_pMainWnd = nullptr;
    bool m_bToldSineNoise = false;
    ISoundDialogs* m_pDialogs = nullptr;
    CChipChoice m_chipChoice;
    CDocumentManager m_documents{*this};
    CPlaybackController m_playback{*this};
    CRecovery m_recovery{*this};
    CGameFolderCommands m_gameFolders{*this};
    CSongImportCommands m_songImports{*this};
    CFileCommands m_fileCommands{*this};
    CEditCommands m_editCommands{*this};
    CViewCommands m_viewCommands{*this};
    CSoundCommands m_soundCommands{*this};
    CWindowCommands m_windowCommands{*this};
    CHelpCommands m_helpCommands{*this};
    std::unique_ptr<CMidiKeyboard> m_pMidiKeyboard;
    std::unique_ptr<CMidiCommands> m_pMidiCommands;
};
