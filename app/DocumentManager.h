// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/RecentFileList.h"
#include "session/SoundSession.h"
#include "sound/SoundDoc.h"
#include "views/SoundFrame.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CEditorApp;

// The open documents: made new, opened (a sound resource, MIDI or VGM file imported into a
// new one), saved, closed, with the editing session and the windows of each, and the
// recent-file list.
class CDocumentManager : public ISoundFrameOwner
{
public:
    // Untitled documents are named this and a number: "Sound1", "Sound2" …
    static constexpr const char* kUntitledBaseName = "Sound";

    explicit CDocumentManager(CEditorApp& app);
    ~CDocumentManager() override;

    // Reads the recent-file list from the settings.
    void LoadRecentFiles();

    // An empty path makes a new document; a sound resource, MIDI or VGM file is imported into
    // one, as Import does. An already open document is activated instead of being opened
    // twice. Null when the document could not be made.
    CSoundDoc* OpenDocumentFile(const std::string& strPath);
    // Takes in a document made elsewhere and opens a window on it; null when that failed.
    CSoundDoc* AddDocument(std::unique_ptr<CSoundDoc> pDoc, const GameOrigin& origin = {});
    // A document's title "SoundN" keeps the next untitled number above N.
    void CountUntitled(const std::string& title);
    // Brings the first window of an open document to the front.
    void ActivateDocument(CSoundDoc* pDoc);
    const std::vector<std::unique_ptr<CSoundDoc>>& GetDocuments() const { return m_documents; }
    // The editing session of an open document; null for a document that is not open.
    CSoundSession* GetSession(const CSoundDoc* pDoc) const;
    std::vector<CSoundFrame*> GetFrames(const CSoundDoc* pDoc) const;
    CSoundFrame* CreateNewFrame(CSoundDoc* pDoc);
    CSoundDoc* GetActiveDocument() const;
    void UpdateFrameTitles(const CSoundDoc* pDoc) const;

    void OnFileNew();
    void OnFileOpen();
    // The save prompt for a modified document; false when the person cancelled or saving failed.
    bool SaveModified(CSoundDoc* pDoc);
    bool SaveAllModified();
    // bReplace: save under a new name (Save As) rather than to the document's own file.
    bool DoSave(CSoundDoc* pDoc, bool bReplace);
    bool DoFileSave(CSoundDoc* pDoc);
    // Asks to save it first, then closes it.
    void OnFileClose(CSoundDoc* pDoc);
    void CloseDocument(CSoundDoc* pDoc);
    void CloseAllDocuments();
    // A sound window is closing; false keeps it open.
    bool OnCloseFrame(CSoundFrame* pFrame) override;

    CRecentFileList& GetRecentFileList() { return m_recentFiles; }
    void AddToRecentFileList(const std::string& strPath);
    void OpenRecentFile(int nIndex);

private:
    // Stops the document's playback and closes it; its windows are gone.
    void ForgetDocument(CSoundDoc* pDoc);

    CEditorApp& m_app;
    std::vector<std::unique_ptr<CSoundDoc>> m_documents;
    // One per open document, made with its first window and ended after its last one.
    std::map<const CSoundDoc*, std::unique_ptr<CSoundSession>> m_sessions;
    int m_nUntitledCount = 0;
    CRecentFileList m_recentFiles;
};
