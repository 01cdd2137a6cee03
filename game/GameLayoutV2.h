// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/GameLayout.h"

#include <map>

// SNDDIR beside LOGDIR, PICDIR and VIEWDIR; records stored as they are.
class CGameLayoutV2 : public IGameLayout
{
public:
    CGameLayoutV2(std::string dir, std::string sndDirName,
                  std::map<GameResourceKind, std::string> otherDirNames)
        : m_dir(std::move(dir)), m_sndDirName(std::move(sndDirName)),
          m_otherDirNames(std::move(otherDirNames))
    {
    }

    int Version() const override { return 2; }
    std::string ReadDirectory(GameDirectory& directory) const override;
    std::string SetSoundEntry(GameBytes& dir, int n, const AgiDirEntry& entry) const override;
    std::string ReadRecord(const GameBytes& vol, const std::string& volName,
                           const AgiDirEntry& entry, GameRecord& record) const override;
    std::string MakeRecord(int volume, const GameBytes& sound, GameBytes& record) const override;

private:
    std::string ReadDir(const std::string& name, GameBytes& dir) const;

    std::string m_dir;
    std::string m_sndDirName;
    std::map<GameResourceKind, std::string> m_otherDirNames;
};
