// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SongFiles.h"

#include "framework/File.h"

#include <algorithm>
#include <cctype>

namespace
{
bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(),
                      [](char a, char b)
                      { return a == std::tolower(static_cast<unsigned char>(b)); });
}
} // namespace

SongFileKind SongFileKindOf(const std::string& path)
{
    if (EndsWithNoCase(path, ".mid") || EndsWithNoCase(path, ".midi"))
        return SongFileKind::Midi;
    if (EndsWithNoCase(path, ".vgm") || EndsWithNoCase(path, ".vgz"))
        return SongFileKind::Vgm;
    return SongFileKind::None;
}

Result<std::vector<std::uint8_t>> ReadSongFile(const std::string& path)
{
    const Result<std::string> data = ReadWholeFile(path, kMaxSongFileBytes);
    if (!data.Ok())
        return data.GetFailure();
    return std::vector<std::uint8_t>(data.Value().begin(), data.Value().end());
}
