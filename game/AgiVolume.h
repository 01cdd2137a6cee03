// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The two bytes every record of a VOL file starts with.
inline constexpr std::uint8_t kVolSignature0 = 0x12;
inline constexpr std::uint8_t kVolSignature1 = 0x34;

// The byte layout of an AGI version 2 game's resource directories (LOGDIR, PICDIR, VIEWDIR,
// SNDDIR) and volume files (VOL.0, VOL.1, ...). No file access: the game folder reads and
// writes the files, these read and make their bytes.

using GameBytes = std::vector<std::uint8_t>;

constexpr std::size_t kDirEntryBytes = 3;
constexpr std::size_t kVolHeaderBytes = 5;
// Offsets in a directory entry are 20 bits wide.
constexpr std::uint64_t kMaxVolBytes = 1048576;
// The volume number is four bits.
constexpr int kMaxVolNumber = 15;
// Resource numbers are one byte in the engine.
constexpr int kMaxResourceNumber = 255;

struct AgiDirEntry
{
    bool bEmpty = true;
    int volume = 0;
    std::uint32_t offset = 0;
    bool operator==(const AgiDirEntry&) const = default;
};

// The entry of resource n; an entry beyond the end of the directory is empty.
AgiDirEntry ReadDirEntry(const GameBytes& dir, int n);
int DirEntryCount(const GameBytes& dir);
// Sets entry n, growing the directory with empty entries when n is beyond its end.
void SetDirEntry(GameBytes& dir, int n, const AgiDirEntry& entry);

// The resource an entry points at in its volume file's bytes. Returns "" or the reason it
// cannot be read (the entry is past the end, the signature is missing, it runs past the end).
std::string ReadVolResource(const GameBytes& vol, const std::string& volName,
                            const AgiDirEntry& entry, GameBytes& resource);
// The bytes a resource takes in volume file number volume: header and resource.
GameBytes MakeVolRecord(int volume, const GameBytes& resource);
