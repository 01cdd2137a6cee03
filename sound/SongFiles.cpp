// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SongFiles.h"

#include "framework/File.h"


Result<std::vector<std::uint8_t>> ReadSongFile(const std::string& path)
{
    const Result<std::string> data = ReadWholeFile(path, kMaxSongFileBytes);
    if (!data.Ok())
        return data.GetFailure();
    return std::vector<std::uint8_t>(data.Value().begin(), data.Value().end());
}
