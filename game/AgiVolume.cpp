// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/AgiVolume.h"

#include "sound/AgiResource.h"

#include <algorithm>

AgiDirEntry ReadDirEntry(const GameBytes& dir, int n)
{
    AgiDirEntry entry;
    const std::size_t pos = static_cast<std::size_t>(n) * kDirEntryBytes;
    if (n < 0 || pos + kDirEntryBytes > dir.size())
        return entry;
    const std::uint8_t* p = &dir[pos];
    if (p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF)
        return entry;
    entry.bEmpty = false;
    entry.volume = p[0] >> 4;
    entry.offset = static_cast<std::uint32_t>(p[0] & 0x0F) << 16 |
                   static_cast<std::uint32_t>(p[1]) << 8 | p[2];
    return entry;
}

int DirEntryCount(const GameBytes& dir)
{
    return static_cast<int>(dir.size() / kDirEntryBytes);
}

void SetDirEntry(GameBytes& dir, int n, const AgiDirEntry& entry)
{
    const std::size_t pos = static_cast<std::size_t>(n) * kDirEntryBytes;
    if (dir.size() < pos + kDirEntryBytes)
        dir.resize(pos + kDirEntryBytes, 0xFF);
    if (entry.bEmpty)
    {
        dir[pos] = dir[pos + 1] = dir[pos + 2] = 0xFF;
        return;
    }
    dir[pos] = static_cast<std::uint8_t>(entry.volume << 4 | (entry.offset >> 16 & 0x0F));
    dir[pos + 1] = static_cast<std::uint8_t>(entry.offset >> 8 & 0xFF);
    dir[pos + 2] = static_cast<std::uint8_t>(entry.offset & 0xFF);
}

std::string ReadVolResource(const GameBytes& vol, const std::string& volName,
                            const AgiDirEntry& entry, GameBytes& resource)
{
    const std::size_t start = entry.offset;
    if (start >= vol.size())
        return "its entry points past the end of " + volName;
    if (start + kVolHeaderBytes > vol.size())
        return "its header runs past the end of " + volName;
    const std::uint8_t* p = &vol[start];
    if (p[0] != kVolSignature0 || p[1] != kVolSignature1)
        return "no resource signature at offset " + std::to_string(start) + " of " + volName;
    const std::size_t length = ReadLE16(p + 3);
    if (start + kVolHeaderBytes + length > vol.size())
        return "it runs past the end of " + volName;
    resource.assign(vol.begin() + static_cast<long>(start + kVolHeaderBytes),
                    vol.begin() + static_cast<long>(start + kVolHeaderBytes + length));
    return {};
}

GameBytes MakeVolRecord(int volume, const GameBytes& resource)
{
    GameBytes record(kVolHeaderBytes + resource.size());
    record[0] = kVolSignature0;
    record[1] = kVolSignature1;
    record[2] = static_cast<std::uint8_t>(volume);
    record[3] = static_cast<std::uint8_t>(resource.size() & 0xFF);
    record[4] = static_cast<std::uint8_t>(resource.size() >> 8 & 0xFF);
    std::copy(resource.begin(), resource.end(), record.begin() + kVolHeaderBytes);
    return record;
}
