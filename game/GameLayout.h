// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/AgiFolderLayout.h"
#include "game/AgiVolume.h"
#include "game/VolumeLayout.h"

#include <memory>
#include <string>
#include <vector>

// A game's sound directory as read in one go, with where every resource of the game starts.
struct GameDirectory
{
    // The file that holds the sound entries (SNDDIR, or the combined directory), as read.
    GameBytes bytes;
    // The entries of sounds 0 to 255 (the ones the engine can reach), in number order.
    std::vector<AgiDirEntry> sounds;
    // Every sound entry the file holds, those past 255 included.
    int soundCount = 0;
    CVolumeLayout volumes;
    // Directories that could not be read for the volume layout.
    std::vector<std::string> warnings;
};

// One record of a volume file.
struct GameRecord
{
    // The resource, unpacked.
    GameBytes bytes;
    // What it takes in the volume file, header included.
    std::size_t recordBytes = 0;
    // Its stored size when it is compressed, else 0.
    std::size_t compressedBytes = 0;
};

// What differs between the version 2 and version 3 game layouts: where the directories are,
// how a record is stored. File names are the folder's own; messages name the folder.
class IGameLayout
{
public:
    virtual ~IGameLayout() = default;

    virtual int Version() const = 0;
    // Returns "" or why the folder's directories cannot be read at all.
    virtual std::string ReadDirectory(GameDirectory& directory) const = 0;
    // Sets sound n's entry in the sound directory file's bytes; "" or why not (dir unchanged).
    virtual std::string SetSoundEntry(GameBytes& dir, int n, const AgiDirEntry& entry) const = 0;
    // The record at entry; "" or the reason it is damaged. Never reads outside vol.
    virtual std::string ReadRecord(const GameBytes& vol, const std::string& volName,
                                   const AgiDirEntry& entry, GameRecord& record) const = 0;
    // The record a sound takes in volume file number volume; "" or why there is none.
    virtual std::string MakeRecord(int volume, const GameBytes& sound, GameBytes& record) const = 0;
};

// The layout of the folder at dir, whose file names were found as found says.
std::unique_ptr<IGameLayout> MakeGameLayout(const std::string& dir, const AgiFolderLayout& found,
                                            const std::vector<std::string>& fileNames);

// Reads a whole file of at most nMax bytes; "" or the system's reason.
std::string ReadGameFile(const std::string& path, std::uint64_t nMax, GameBytes& bytes);

// Far beyond any real game's directory; keeps a hostile folder from costing memory.
constexpr std::uint64_t kMaxGameDirBytes = 1024 * 1024;
