// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameLayout.h"

#include "framework/File.h"
#include "game/AgiFolderLayout.h"
#include "game/GameLayoutV2.h"
#include "game/GameLayoutV3.h"

#include <algorithm>
#include <cctype>

namespace
{
// The directories besides SNDDIR whose resources share the VOL files, as the folder spells them.
std::map<GameResourceKind, std::string> OtherDirNames(std::vector<std::string> fileNames)
{
    static const std::map<std::string, GameResourceKind> kinds = {
        {"logdir", GameResourceKind::Logic},
        {"picdir", GameResourceKind::Picture},
        {"viewdir", GameResourceKind::View}};
    std::sort(fileNames.begin(), fileNames.end());
    std::map<GameResourceKind, std::string> names;
    for (const std::string& name : fileNames)
        if (const auto it = kinds.find(Lower(name)); it != kinds.end())
            names.emplace(it->second, name);
    return names;
}
} // namespace

std::unique_ptr<IGameLayout> MakeGameLayout(const std::string& dir, const AgiFolderLayout& found,
                                            const std::vector<std::string>& fileNames)
{
    if (found.version == 3)
        return std::make_unique<CGameLayoutV3>(dir, found.dirName);
    if (found.version == 2)
        return std::make_unique<CGameLayoutV2>(dir, found.dirName, OtherDirNames(fileNames));
    return nullptr;
}

std::string ReadGameFile(const std::string& path, std::uint64_t nMax, GameBytes& bytes)
{
    const Result<std::string> data = ReadWholeFile(path, nMax);
    if (!data.Ok())
        return data.Error();
    bytes.assign(data.Value().begin(), data.Value().end());
    return {};
}
