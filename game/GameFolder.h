// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/AgiVolume.h"
#include "game/VolumeLayout.h"

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

    // The sounds of SNDDIR in number order, damaged ones included; each VOL file is read once.
    // Entries past sound 255, which the engine cannot reach, are left out with a line in
    // warnings, as is a directory that cannot be read for the layout.
    std::string ListSounds(std::vector<GameSoundInfo>& sounds,
                           std::vector<std::string>* pWarnings = nullptr) const;
    // The resource bytes of sound n.
    std::string ReadSound(int n, GameBytes& resource) const;
    // Stores the resource as sound n: in place when it fits in the one it replaces (and no
    // other entry shares that record), else at the end of the last VOL file or in a new one. The
    // files that change are backed up first; nothing changes on a refusal. With the backup folder
    // of an earlier write, the copies go there instead (a file it holds already keeps its older
    // copy), so a run of writes keeps one backup of the game as it was before them.
    std::string WriteSound(int n, const GameBytes& resource, const std::string& earlierBackup = {});
    // The backup folder of the last WriteSound.
    const std::string& GetBackupPath() const { return m_backupPath; }
    // The newest backup folders a write keeps; 0 keeps all.
    void SetBackupsKept(int nKeep) { m_nBackupsKept = nKeep; }
    static constexpr int kDefaultBackupsKept = 10;

private:
    std::string ReadDir(const std::string& name, GameBytes& dir) const;
    // Where the resources of every directory start, sndDir's included. Returns "" or the
    // directory that could not be read (the layout then lacks it).
    std::string ReadLayout(const GameBytes& sndDir, CVolumeLayout& layout) const;
    std::string ReadVol(int volume, GameBytes& vol) const;
    std::string VolName(int volume) const;
    // The bytes of the resource at entry in vol, or the reason it is damaged.
    std::string ReadEntry(const AgiDirEntry& entry, const GameBytes& vol,
                          const CVolumeLayout& layout, GameBytes& resource) const;
    void ListVolume(int volume, const std::vector<std::size_t>& indices,
                    const std::vector<AgiDirEntry>& entries, const CVolumeLayout& layout,
                    std::vector<GameSoundInfo>& sounds) const;
    std::string SoundError(int n, const std::string& text) const;
    void FoldBackupInto(const std::string& earlierBackup);

    std::string m_dir;
    std::string m_sndDirName;
    std::map<GameResourceKind, std::string> m_otherDirNames;
    std::string m_volPrefix;
    std::map<int, std::string> m_volNames;
    std::string m_backupPath;
    int m_nBackupsKept = kDefaultBackupsKept;
};
