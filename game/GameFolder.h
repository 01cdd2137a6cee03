// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/AgiFolderLayout.h"
#include "game/GameLayout.h"
#include "game/InterpreterVersion.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CBackupFolders;
class CFileReplacement;

// One sound of a game's directory, as the list shows it.
struct GameSoundInfo
{
    int number = 0;
    // The resource's own size, unpacked.
    std::size_t bytes = 0;
    std::int64_t ticks = 0;
    // Empty, or why the sound cannot be read.
    std::string damaged;
    // What it takes compressed in its volume file, or 0 when it is stored as is.
    std::size_t compressedBytes = 0;
};

// How a write of a sound went; only Written and NotReadBack changed the game.
enum class SoundWriteOutcome
{
    // And read back as written.
    Written,
    // Written, but a file could not be read back to check it.
    NotReadBack,
    // Refused, or failed before the game changed (after it, the message says where the old
    // files are).
    Failed,
    // The game's sound is not the one the caller expected: nothing was written.
    ChangedInGame,
    // The caller stopped waiting for another write into the game to end: nothing was written.
    GaveUp,
};

struct SoundWriteResult
{
    SoundWriteOutcome outcome = SoundWriteOutcome::Failed;
    // For the person; "" only when Written.
    std::string message;
    bool IsWritten() const
    {
        return outcome == SoundWriteOutcome::Written || outcome == SoundWriteOutcome::NotReadBack;
    }
};

struct SoundWriteOptions
{
    // The backup folder of an earlier write in this run: the copies go there instead (a file
    // it holds already keeps its older copy), so a run of writes keeps one backup of the game
    // as it was before them.
    std::string earlierBackup;
    // When set, the sound is written only while the game's sound n is still these bytes, or
    // (empty) while there is none.
    std::optional<GameBytes> expected;
    // Asked every so often while another write into the game goes on, with the time waited;
    // false gives up. Without it the write waits as long as it takes.
    std::function<bool(std::chrono::milliseconds waited)> keepWaiting;
    // The document the resource was made from, as a .tks file's bytes: the game keeps it
    // beside the sound (GameDocuments), written with the game's files. Empty: none is
    // written, and one kept from before stays as it is.
    std::string document;
};

// An AGI game folder of either layout (version 2: SNDDIR and VOL files; version 3: <ID>DIR
// and <ID>VOL files), found whatever the case of its file names; a folder with both is read
// as version 2. Every operation returns "" or a message for the person that names the folder,
// or holds "sound N" when it is about one sound.
class CGameFolder
{
public:
    std::string Open(const std::string& dir);
    const std::string& GetPath() const { return m_dir; }

    // 2 or 3 once open.
    int GetLayoutVersion() const { return m_found.version; }
    const InterpreterVersion& GetInterpreter() const { return m_interpreter; }
    // The note fade the game's interpreter plays its sounds with.
    FadeKind GetInterpreterFade() const { return FadeOfInterpreter(m_interpreter.text); }
    // "version 3 game KQ4, interpreter 3.002.086", "version 2 game, interpreter 2.917 (assumed)".
    std::string Describe() const;

    // The sounds of the directory in number order, damaged ones included; each VOL file is
    // read once. Entries past sound 255, which the engine cannot reach, are left out with a
    // line in warnings, as is a directory that cannot be read for the layout. Setting *pCancel
    // from another thread ends the listing before the next VOL file, with an error.
    std::string ListSounds(std::vector<GameSoundInfo>& sounds,
                           std::vector<std::string>* pWarnings = nullptr,
                           const std::atomic<bool>* pCancel = nullptr) const;
    // As ListSounds, with each listed sound's resource bytes (empty for a damaged one).
    std::string ReadAllSounds(std::vector<GameSoundInfo>& sounds, std::vector<GameBytes>& resources,
                              std::vector<std::string>* pWarnings = nullptr) const;
    // The resource bytes of sound n, unpacked.
    std::string ReadSound(int n, GameBytes& resource) const;
    // Stores the resource as sound n (compressed in a version 3 game when that is smaller): in
    // place when it fits in the record it replaces (and no other entry shares that record),
    // else at the end of the last VOL file or in a new one. The files that change are backed
    // up first, and so is the document kept with it (options.document), which is written
    // along; nothing changes on a refusal. One write at a time goes into a game: the
    // folder is locked, then read afresh, for the whole write. Nothing is written through a
    // symbolic link out of the game.
    SoundWriteResult WriteSound(int n, const GameBytes& resource,
                                const SoundWriteOptions& options = {});
    // The backup folder of the last WriteSound.
    const std::string& GetBackupPath() const { return m_backupPath; }
    // The newest backup folders a write keeps; 0 keeps all.
    void SetBackupsKept(int nKeep) { m_nBackupsKept = nKeep; }
    static constexpr int kDefaultBackupsKept = 10;

private:
    std::string ReadDirectory(GameDirectory& directory) const;
    std::string ListOrRead(std::vector<GameSoundInfo>& sounds, std::vector<GameBytes>* pResources,
                           std::vector<std::string>* pWarnings,
                           const std::atomic<bool>* pCancel = nullptr) const;
    std::string ReadVol(int volume, GameBytes& vol) const;
    std::string VolName(int volume) const;
    // The record at entry in vol, or the reason it is damaged.
    std::string ReadEntry(const AgiDirEntry& entry, const GameBytes& vol,
                          const GameDirectory& directory, GameRecord& record) const;
    void ListVolume(int volume, const std::vector<std::size_t>& indices,
                    const std::vector<AgiDirEntry>& entries, const GameDirectory& directory,
                    std::vector<GameSoundInfo>& sounds, std::vector<GameBytes>* pResources) const;
    // Adds the files that store the resource as sound n to the replacement.
    std::string PlaceSound(int n, const GameBytes& resource, GameDirectory& directory,
                           CFileReplacement& replacement) const;
    std::string Append(int n, const GameBytes& resource, GameDirectory& directory,
                       CFileReplacement& replacement) const;
    bool IsReplaceable(const std::string& name) const;
    std::string SoundError(int n, const std::string& text) const;
    std::string CheckWriteRequest(int n, const GameBytes& resource,
                                  const CBackupFolders& backups) const;
    SoundWriteResult WriteLocked(int n, const GameBytes& resource,
                                 const SoundWriteOptions& options);
    bool StillHolds(int n, const GameBytes& expected) const;
    void FoldBackupInto(const std::string& earlierBackup);

    std::string m_dir;
    AgiFolderLayout m_found;
    std::shared_ptr<const IGameLayout> m_pLayout;
    InterpreterVersion m_interpreter;
    std::string m_backupPath;
    int m_nBackupsKept = kDefaultBackupsKept;
};
