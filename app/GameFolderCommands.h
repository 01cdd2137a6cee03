// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/GameWriteWait.h"
#include "game/GameFolder.h"
#include "session/SoundSession.h"

#include <QStringList>

#include <chrono>
#include <map>
#include <optional>
#include <string>

class CEditorApp;
class CSoundDoc;

// The editor's work on a game folder: File > Open Game Folder lists the game's sounds and
// opens one as a document that remembers where it came from; Save into Game writes a
// document's whole song into a game as a sound, and the document beside it.
class CGameFolderCommands
{
public:
    explicit CGameFolderCommands(CEditorApp& app) : m_app(app) {}

    void OnOpenGameFolder();
    // Sound n of the game in dir as a new document (the one the game keeps beside it while
    // that still is the sound), or the document already holding it; null after telling the
    // person why not.
    CSoundDoc* OpenGameSound(const std::string& dir, int n);
    // File > Save into Game…: asks for a game folder and a sound number (the document's own
    // first), asking again before it replaces a sound, writes the song there and makes that
    // the document's game. The first write of a document in this run asks first and backs up
    // the files it changes; its later writes add to that backup. A sound that changed in the
    // game since the document read or wrote it is not overwritten without asking.
    bool SaveIntoChosenGame(CSoundDoc* pDoc);
    // "MYGAME sound 12".
    static std::string SoundTitle(const GameOrigin& origin);
    // The game folders listed or written to, newest first.
    QStringList RecentGames() const;
    void AddRecentGame(const std::string& dir);
    // The document is closing.
    void Forget(const CSoundDoc* pDoc) { m_writes.erase(pDoc); }
    // How long a write waits for another write into the game before it asks whether to go on.
    void SetWaitQuestionAfter(std::chrono::milliseconds after) { m_askAfter = after; }

private:
    struct WriteState
    {
        bool bConfirmed = false;
        std::string backupPath;
        // The game's sound as the document last read or wrote it (empty: none); unknown for
        // a document that did neither in this run.
        std::optional<GameBytes> expected;
    };
    struct Target
    {
        GameOrigin origin;
        WriteState state;
    };
    enum class Saved
    {
        Yes,
        // Written, but it could not be read back to check it.
        Unchecked,
        No,
        AnotherSound,
    };

    std::optional<Target> ChooseTarget(const CSoundSession& session);
    Saved SaveIntoGame(CSoundDoc* pDoc);
    SoundWriteResult WriteWaiting(CGameFolder& game, int n, const GameBytes& resource,
                                  SoundWriteOptions options) const;
    void OnWritten(CSoundDoc* pDoc, const GameOrigin& origin, std::size_t bytes);
    void BelongsTo(CSoundDoc* pDoc, const GameOrigin& origin);

    CEditorApp& m_app;
    std::map<const CSoundDoc*, WriteState> m_writes;
    std::chrono::milliseconds m_askAfter = CGameWriteWait::kAskAfter;
};
