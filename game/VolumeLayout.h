// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/AgiVolume.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

enum class GameResourceKind
{
    Logic,
    Picture,
    View,
    Sound
};

// Where the resources of all of a game's directories start in its VOL files. A header's
// length is trusted only up to the next of them: bytes past it belong to another resource.
class CVolumeLayout
{
public:
    // Only the entries the engine can reach (numbers 0 to 255) count.
    void AddDirectory(GameResourceKind kind, const GameBytes& dir);

    // "" or what a record at entry whose header claims recordBytes (header included) runs
    // into ("its length runs into sound 5").
    std::string CheckLength(const AgiDirEntry& entry, std::size_t recordBytes) const;
    // More than one directory entry points at this record.
    bool IsShared(const AgiDirEntry& entry) const;

private:
    struct Owner
    {
        GameResourceKind kind;
        int number;
    };
    using Start = std::pair<int, std::uint32_t>;

    std::map<Start, std::vector<Owner>> m_starts;
};
