// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/GameLayout.h"

// One combined <ID>DIR; records compressed when that makes them smaller.
class CGameLayoutV3 : public IGameLayout
{
public:
    CGameLayoutV3(std::string dir, std::string dirName)
        : m_dir(std::move(dir)), m_dirName(std::move(dirName))
    {
    }

    int Version() const override { return 3; }
    std::string ReadDirectory(GameDirectory& directory) const override;
    std::string SetSoundEntry(GameBytes& dir, int n, const AgiDirEntry& entry) const override;
    std::string ReadRecord(const GameBytes& vol, const std::string& volName,
                           const AgiDirEntry& entry, GameRecord& record) const override;
    std::string MakeRecord(int volume, const GameBytes& sound, GameBytes& record) const override;

private:
    std::string FolderError(const std::string& error) const;

    std::string m_dir;
    std::string m_dirName;
};
