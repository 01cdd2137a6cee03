// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/VolumeLayout.h"

#include <algorithm>

namespace
{
std::string KindName(GameResourceKind kind)
{
    switch (kind)
    {
    case GameResourceKind::Logic:
        return "logic";
    case GameResourceKind::Picture:
        return "picture";
    case GameResourceKind::View:
        return "view";
    case GameResourceKind::Sound:
        break;
    }
    return "sound";
}
} // namespace

void CVolumeLayout::AddDirectory(GameResourceKind kind, const GameBytes& dir)
{
    const int count = std::min(DirEntryCount(dir), kMaxResourceNumber + 1);
    for (int n = 0; n < count; ++n)
        if (const AgiDirEntry entry = ReadDirEntry(dir, n); !entry.bEmpty)
            m_starts[{entry.volume, entry.offset}].push_back({kind, n});
}

std::string CVolumeLayout::CheckLength(const AgiDirEntry& entry, std::size_t recordBytes) const
{
    const std::uint64_t end = std::uint64_t{entry.offset} + recordBytes;
    const auto next = m_starts.upper_bound({entry.volume, entry.offset});
    if (next != m_starts.end() && next->first.first == entry.volume && next->first.second < end)
    {
        const Owner& owner = next->second.front();
        return "its length runs into " + KindName(owner.kind) + " " + std::to_string(owner.number);
    }
    return {};
}

bool CVolumeLayout::IsShared(const AgiDirEntry& entry) const
{
    const auto it = m_starts.find({entry.volume, entry.offset});
    return it != m_starts.end() && it->second.size() > 1;
}
