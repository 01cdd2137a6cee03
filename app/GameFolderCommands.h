// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <map>
#include <string>

class CEditorApp;
class CSoundDoc;

// The editor's work on a game folder: File > Open Game Folder lists the game's sounds and
// opens one as a document that remembers where it came from; Save into Game writes that
// document's whole song back as the same sound.
class CGameFolderCommands
{
public:
    explicit CGameFolderCommands(CEditorApp& app) : m_app(app) {}

    void OnOpenGameFolder();
    // Sound n of the game in dir as a new document, or the document already holding it;
    // null after telling the person why not.
    CSoundDoc* OpenGameSound(const std::string& dir, int n);
    // Asks first, once per document. The first write of a document in this run of the
    // program backs up the files it changes; its later writes add to that backup.
    bool SaveIntoGame(CSoundDoc* pDoc);
    // File > Save into Game…: asks for a game folder and a sound number (asking again before
    // it replaces a sound), writes the song there, and makes that the document's target.
    bool SaveIntoChosenGame(CSoundDoc* pDoc);
    // The game folders listed or written to, newest first.
    QStringList RecentGames() const;
    void AddRecentGame(const std::string& dir);
    // The document is closing.
    void Forget(const CSoundDoc* pDoc) { m_writes.erase(pDoc); }

private:
    struct WriteState
    {
        bool bConfirmed = false;
        std::string backupPath;
    };

    CEditorApp& m_app;
    std::map<const CSoundDoc*, WriteState> m_writes;
};
