// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/AgiVolume.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One sound of a game's SNDDIR, as the list shows it.
struct GameSoundInfo
{
    int number = 0;
    std::size_t bytes = 0;
    std::int64_t ticks = 0;
    // Empty, or why the sound cannot be read.
    std::string damaged;
};

// An AGI version 2 game folder: its SNDDIR and VOL files, found whatever the case of their
// names. Every operation returns "" or a message for the person that names the folder, or
// holds "sound N" when it is about one sound.
class CGameFolder
{
public:
    std::string Open(const std::string& dir);
    const std::string& GetPath() const { return m_dir; }

    // The sounds of SNDDIR in number order, damaged ones included.
    std::string ListSounds(std::vector<GameSoundInfo>& sounds) const;
    // The resource bytes of sound n.
    std::string ReadSound(int n, GameBytes& resource) const;
    // Stores the resource as sound n: in place when it fits in the one it replaces, else at
    // the end of the last VOL file or in a new one. The files that change are backed up
    // first; nothing changes on a refusal. With the backup folder of an earlier write,
    // the copies go there instead (a file it holds already keeps its older copy), so a run
    // of writes keeps one backup of the game as it was before them.
    std::string WriteSound(int n, const GameBytes& resource, const std::string& earlierBackup = {});
    // The backup folder of the last WriteSound.
    const std::string& GetBackupPath() const { return m_backupPath; }

private:
    std::string ReadDir(GameBytes& dir) const;
    std::string ReadVol(int volume, GameBytes& vol) const;
    std::string VolName(int volume) const;
    // The bytes of sound n, or the reason it is damaged.
    std::string ReadEntry(const AgiDirEntry& entry, GameBytes& resource) const;
    std::string SoundError(int n, const std::string& text) const;
    void FoldBackupInto(const std::string& earlierBackup);

    std::string m_dir;
    std::string m_sndDirName;
    std::string m_volPrefix;
    std::map<int, std::string> m_volNames;
    std::string m_backupPath;
};
