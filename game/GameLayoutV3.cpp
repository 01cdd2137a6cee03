// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameLayoutV3.h"

#include "game/AgiV3Directory.h"
#include "game/AgiV3Volume.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

std::string CGameLayoutV3::FolderError(const std::string& error) const
{
    return "The game folder " + m_dir + " cannot be read: " + error;
}

std::string CGameLayoutV3::ReadDirectory(GameDirectory& directory) const
{
    directory = {};
    GameBytes& dir = directory.bytes;
    if (std::string error =
            ReadGameFile((fs::path(m_dir) / m_dirName).string(), kMaxGameDirBytes, dir);
        !error.empty())
        return "Cannot read " + m_dirName + " of the game folder " + m_dir + ": " + error;
    AgiV3Sections sections;
    if (std::string error = ReadV3Sections(dir, m_dirName, sections); !error.empty())
        return FolderError(error);
    for (int k = 0; k < kAgiSections; ++k)
        directory.volumes.AddDirectory(static_cast<GameResourceKind>(k),
                                       GameBytes(dir.begin() + static_cast<long>(sections.start[k]),
                                                 dir.begin() + static_cast<long>(sections.end[k])));
    directory.soundCount = V3EntryCount(sections, EAgiSection::Sound);
    const int reachable = std::min(directory.soundCount, kMaxResourceNumber + 1);
    for (int n = 0; n < reachable; ++n)
        directory.sounds.push_back(ReadV3DirEntry(dir, sections, EAgiSection::Sound, n));
    return {};
}

std::string CGameLayoutV3::SetSoundEntry(GameBytes& dir, int n, const AgiDirEntry& entry) const
{
    return SetV3DirEntry(dir, m_dirName, EAgiSection::Sound, n, entry);
}

std::string CGameLayoutV3::ReadRecord(const GameBytes& vol, const std::string& volName,
                                      const AgiDirEntry& entry, GameRecord& record) const
{
    record = {};
    AgiV3Resource resource;
    if (std::string error = ReadV3Resource(vol, volName, entry, resource); !error.empty())
        return error;
    if (resource.header.bPackedPicture)
        return "it is stored as a packed picture";
    record.bytes = std::move(resource.bytes);
    record.recordBytes = kV3VolHeaderBytes + resource.header.storedSize;
    record.compressedBytes = resource.header.IsCompressed() ? resource.header.storedSize : 0;
    return {};
}

std::string CGameLayoutV3::MakeRecord(int volume, const GameBytes& sound, GameBytes& record) const
{
    return MakeV3SoundRecord(volume, sound, record);
}
