// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameLayoutV2.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

std::string CGameLayoutV2::ReadDir(const std::string& name, GameBytes& dir) const
{
    if (std::string error = ReadGameFile((fs::path(m_dir) / name).string(), kMaxGameDirBytes, dir);
        !error.empty())
        return "Cannot read " + name + " of the game folder " + m_dir + ": " + error;
    return {};
}

std::string CGameLayoutV2::ReadDirectory(GameDirectory& directory) const
{
    directory = {};
    if (std::string error = ReadDir(m_sndDirName, directory.bytes); !error.empty())
        return error;
    directory.volumes.AddDirectory(GameResourceKind::Sound, directory.bytes);
    for (const auto& [kind, name] : m_otherDirNames)
    {
        GameBytes dir;
        if (std::string error = ReadDir(name, dir); !error.empty())
            directory.warnings.push_back(error);
        else
            directory.volumes.AddDirectory(kind, dir);
    }
    directory.soundCount = DirEntryCount(directory.bytes);
    const int reachable = std::min(directory.soundCount, kMaxResourceNumber + 1);
    for (int n = 0; n < reachable; ++n)
        directory.sounds.push_back(ReadDirEntry(directory.bytes, n));
    return {};
}

std::string CGameLayoutV2::SetSoundEntry(GameBytes& dir, int n, const AgiDirEntry& entry) const
{
    SetDirEntry(dir, n, entry);
    return {};
}

std::string CGameLayoutV2::ReadRecord(const GameBytes& vol, const std::string& volName,
                                      const AgiDirEntry& entry, GameRecord& record) const
{
    record = {};
    if (std::string error = ReadVolResource(vol, volName, entry, record.bytes); !error.empty())
        return error;
    record.recordBytes = kVolHeaderBytes + record.bytes.size();
    return {};
}

std::string CGameLayoutV2::MakeRecord(int volume, const GameBytes& sound, GameBytes& record) const
{
    record = MakeVolRecord(volume, sound);
    return {};
}
