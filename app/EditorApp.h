// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ChipChoice.h"
#include "app/GameFolderCommands.h"
#include "app/PlayThreadScopes.h"
#include "app/RecentFileList.h"
#include "app/RecoveryStore.h"
#include "app/SongImportCommands.h"
#include "playback/SoundPlayThread.h"
#include "resources/Resource.h"
#include "session/SoundServices.h"
#include "session/SoundSession.h"
#include "sound/SoundDoc.h"
#include "views/CommandTarget.h"
#include "views/SoundFrame.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMainFrame;
class CSessionRowSink;

// The desktop session's question before a logout, as the save prompts need it.
class ILogoutRequest
{
public:
    virtual ~ILogoutRequest() = default;
    virtual bool AllowsInteraction() = 0;
    // Stops the logout.
    virtual void Cancel() = 0;
};

// The application: start-up and shutdown, the sound document template (New, Open, Save,
// Close, the recent-file list), Import and About, and the services the editors use (the
// status bar's idle prompt, the sound toolbar, the play thread).
class CEditorApp : public QObject,
                   public ICommandTarget,
                   public ISoundViewHost,
                   public ISoundTransport,
                   public ISoundFrameOwner
{
    Q_OBJECT
public:
    // Untitled documents are named this and a number: "Sound1", "Sound2" …
    static constexpr const char* kUntitledBaseName = "Sound";

    CEditorApp();
    ~CEditorApp() override;

    // Start-up with the command line (without the program name); false ends the program.
    bool InitInstance(const QStringList& arguments);
    int ExitInstance();

    CMainFrame* GetMainFrame() const { return m_pMainWnd; }
    SynthKind GetChipKind() const { return m_chipChoice.Get(); }
    const CChipChoice& GetChipChoice() const { return m_chipChoice; }
    // The dialogs the editors run; set before any document opens.
    void SetDialogs(ISoundDialogs* pDialogs) { m_pDialogs = pDialogs; }
    // The editing session of an open document; null for a document that is not open.
    CSoundSession* GetSession(const CSoundDoc* pDoc) const;

    void OnAppAbout();
    void OnFileNew();
    void OnFileOpen();

    void SetIdleMessage(UINT nID) override;
    void SetIdleText(const std::string& text) override;
    void ShowToolbar(UINT nID, bool bShow) override;
    bool IsToolbarVisible(UINT nID) const override;

    // The sound device the play thread opens; the default one unless replaced before start.
    void SetAudioDeviceFactory(AudioDeviceFactory openDevice)
    {
        m_openDevice = std::move(openDevice);
    }
    bool IsSoundDisabled() const { return m_bNoSound; }

    // Document template. An empty path makes a new document; a sound resource, MIDI or VGM
    // file is imported into one, as Import does. An already open document is activated instead of
    // being opened twice. Null when the document could not be made.
    CSoundDoc* OpenDocumentFile(const std::string& strPath);
    // Takes in a document made elsewhere and opens a window on it; null when that failed.
    CSoundDoc* AddDocument(std::unique_ptr<CSoundDoc> pDoc, const GameOrigin& origin = {});
    // Brings the first window of an open document to the front.
    void ActivateDocument(CSoundDoc* pDoc);
    const std::vector<std::unique_ptr<CSoundDoc>>& GetDocuments() const { return m_documents; }
    std::vector<CSoundFrame*> GetFrames(const CSoundDoc* pDoc) const;
    CSoundFrame* CreateNewFrame(CSoundDoc* pDoc);
    CSoundDoc* GetActiveDocument() const;
    // What plays the document: the chosen chip, with its session's fade or the chosen one.
    PlayVoice VoiceOf(const CSoundDoc* pDoc) const;

    // The save prompt for a modified document; false when the person cancelled or saving failed.
    bool SaveModified(CSoundDoc* pDoc);
    bool SaveAllModified();
    // bReplace: save under a new name (Save As) rather than to the document's own file.
    bool DoSave(CSoundDoc* pDoc, bool bReplace);
    bool DoFileSave(CSoundDoc* pDoc);
    void CloseDocument(CSoundDoc* pDoc);
    void CloseAllDocuments();
    // A sound window is closing; false keeps it open.
    bool OnCloseFrame(CSoundFrame* pFrame) override;
    void UpdateFrameTitles(const CSoundDoc* pDoc) const;

    // A control the main frame puts on a toolbar in place of nID; null for a button.
    QWidget* CreateToolbarControl(UINT nID, QWidget* pParent);

    CRecentFileList& GetRecentFileList() { return m_recentFiles; }
    void AddToRecentFileList(const std::string& strPath);
    void OpenRecentFile(int nIndex);
    // The manual, at the section of that anchor when one is given.
    void ShowHelp(const QString& anchor = {});

    // Writes the recovery copy of every modified document now (the timer does it every
    // Recovery/IntervalSeconds seconds).
    void AutosaveNow();
    // Offers to save modified documents, as Exit does; a cancel cancels the logout.
    void OnLogoutRequest(ILogoutRequest& request);

    bool OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;
    // Before pDoc closes: its playback stops; its pending writes and recovery are forgotten.
    void OnDocumentClosing(CSoundDoc* pDoc);

    void PostPlay(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow) override;
    void PostPlayFrom(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow) override;
    void PostStop() override;
    void StopDocument(CSoundDoc* pDoc) override;
    void PostPreview(CSoundDoc* pDoc, int nNote, int nVoice) override;

    CSoundPlayThread* m_pPlayThread = nullptr;
    UINT m_nIdleMessageID = AFX_IDS_IDLEMESSAGE;
    // The idle text while m_nIdleMessageID is 0.
    QString m_strIdleText;

private:
    // What an export takes from the document's session.
    struct ExportContext
    {
        PlayVoice voice;
        unsigned muteMask = 0;
        GameOrigin origin;
    };
    ExportContext ExportContextOf(const CSoundDoc* pDoc) const;
    // The export command nID (AGI, MIDI, VGM or WAV) of doc's rows in range, named in the
    // status bar when written; false when nothing was.
    bool RunExport(UINT nID, const CSoundDoc& doc, const PlayRange& range,
                   const ExportContext& context);
    // The file the export wrote; nothing when cancelled or failed.
    std::optional<std::string> WriteExport(UINT nID, const CSoundDoc& doc, const PlayRange& range,
                                           const ExportContext& context);
    void StartPlayThread();
    // The play thread plays the next Play or preview as the document is voiced.
    void UseVoiceOf(const CSoundDoc* pDoc);
    ISoundRowSink* RowSinkFor(CSoundSession* pSession);
    // The document's mute mask (none without a session).
    unsigned MuteMaskOf(const CSoundDoc* pDoc) const;
    // The play thread hears pDoc's mask from now on: its playback starts, or it previews
    // while nothing else plays.
    void UseMuteMaskOf(const CSoundDoc* pDoc);
    void OnMuteMaskChanged(const CSoundSession* pSession);
    // Stops playback of the document and closes it; its windows are gone.
    void ForgetDocument(CSoundDoc* pDoc);
    void StopPlayThread();
    void RegisterShellFileTypes();
    void StartAutosave();
    void ConnectSessionManager();
    // Offers the copies earlier programs left; returns how many documents were recovered.
    int RecoverUnsaved();
    CSoundDoc* OpenRecovered(const RecoveredSound& sound);

    CMainFrame* m_pMainWnd = nullptr;
    std::vector<std::unique_ptr<CSoundDoc>> m_documents;
    // One per open document, made with its first window and ended after its last one.
    std::map<const CSoundDoc*, std::unique_ptr<CSoundSession>> m_sessions;
    ISoundDialogs* m_pDialogs = nullptr;
    int m_nUntitledCount = 0;
    CRecentFileList m_recentFiles;
    CChipChoice m_chipChoice;
    CGameFolderCommands m_gameFolders{*this};
    CSongImportCommands m_songImports{*this};
    bool m_bNoSound = false;
    AudioDeviceFactory m_openDevice = CSoundPlayThread::OpenDefaultDevice;
    // Row-report receivers handed to the play thread, one per session that started playback.
    // They stay until the thread has ended, as it may still hold one.
    std::map<const CSoundSession*, std::unique_ptr<CSessionRowSink>> m_rowSinks;
    std::vector<std::unique_ptr<CSessionRowSink>> m_retiredRowSinks;
    // The document whose playback was started last and not stopped since; its mask is in force.
    const CSoundDoc* m_pPlayingDoc = nullptr;
    CPlayThreadScopes m_scopeSource{m_pPlayThread};
    QPointer<QWidget> m_pHelpWindow;
    CRecoveryStore m_recovery;
    QTimer m_autosaveTimer;
};

// The running application, or null before it is made and after it is gone.
CEditorApp* AfxGetEditorApp();
