// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/AgiV3Directory.h"

#include "sound/AgiResource.h"

namespace
{
constexpr std::size_t kMaxOffset = 0xFFFF;

const char* SectionName(int k)
{
    static const char* const names[kAgiSections] = {"logic", "picture", "view", "sound"};
    return names[k];
}

std::string OffsetList(const std::array<std::size_t, kAgiSections>& offsets)
{
    std::string list;
    for (const std::size_t offset : offsets)
        list += (list.empty() ? "" : ", ") + std::to_string(offset);
    return list;
}

GameBytes SectionBytes(const GameBytes& dir, const AgiV3Sections& sections, int k)
{
    return GameBytes(dir.begin() + static_cast<long>(sections.start[k]),
                     dir.begin() + static_cast<long>(sections.end[k]));
}
} // namespace

std::string ReadV3Sections(const GameBytes& dir, const std::string& dirName,
                           AgiV3Sections& sections)
{
    if (dir.size() < kV3DirHeaderBytes)
        return dirName + " is shorter than its " + std::to_string(kV3DirHeaderBytes) +
               "-byte header (" + std::to_string(dir.size()) + " bytes)";
    std::array<std::size_t, kAgiSections> offsets{};
    for (int k = 0; k < kAgiSections; ++k)
    {
        offsets[k] = ReadLE16(&dir[2 * k]);
        if (offsets[k] > dir.size())
            return "the " + std::string(SectionName(k)) + " section of " + dirName +
                   " starts past its end (offset " + std::to_string(offsets[k]) + " of " +
                   std::to_string(dir.size()) + " bytes)";
    }
    if (offsets[0] < kV3DirHeaderBytes)
        return "the logic section of " + dirName + " starts inside its header (offset " +
               std::to_string(offsets[0]) + ")";
    for (int k = 1; k < kAgiSections; ++k)
        if (offsets[k] < offsets[k - 1])
            return "the section offsets of " + dirName + " are out of order (" +
                   OffsetList(offsets) + ")";
    for (int k = 0; k < kAgiSections; ++k)
    {
        sections.start[k] = offsets[k];
        sections.end[k] = k + 1 < kAgiSections ? offsets[k + 1] : dir.size();
    }
    return {};
}

int V3EntryCount(const AgiV3Sections& sections, EAgiSection section)
{
    const int k = static_cast<int>(section);
    return static_cast<int>((sections.end[k] - sections.start[k]) / kDirEntryBytes);
}

AgiDirEntry ReadV3DirEntry(const GameBytes& dir, const AgiV3Sections& sections, EAgiSection section,
                           int n)
{
    if (n < 0 || n >= V3EntryCount(sections, section))
        return {};
    const std::size_t pos = sections.start[static_cast<int>(section)] + n * kDirEntryBytes;
    const GameBytes entry(dir.begin() + static_cast<long>(pos),
                          dir.begin() + static_cast<long>(pos + kDirEntryBytes));
    return ReadDirEntry(entry, 0);
}

std::string SetV3DirEntry(GameBytes& dir, const std::string& dirName, EAgiSection section, int n,
                          const AgiDirEntry& entry)
{
    AgiV3Sections sections;
    if (std::string error = ReadV3Sections(dir, dirName, sections); !error.empty())
        return error;
    if (n < 0)
        return "entry " + std::to_string(n) + " cannot be in " + dirName;
    const int k = static_cast<int>(section);
    GameBytes part = SectionBytes(dir, sections, k);
    const int count = V3EntryCount(sections, section);
    // Bytes short of a whole entry were never an entry; growing makes them empty ones.
    if (n >= count)
        part.resize(count * kDirEntryBytes);
    SetDirEntry(part, n, entry);
    const std::size_t oldBytes = sections.end[k] - sections.start[k];
    const std::size_t growth = part.size() - oldBytes;
    if (k + 1 < kAgiSections && sections.start[kAgiSections - 1] + growth > kMaxOffset)
        return dirName + " cannot grow to hold entry " + std::to_string(n) + " of its " +
               SectionName(k) + " section: its offsets would pass " + std::to_string(kMaxOffset);

    GameBytes result(dir.begin(), dir.begin() + static_cast<long>(sections.start[k]));
    result.insert(result.end(), part.begin(), part.end());
    result.insert(result.end(), dir.begin() + static_cast<long>(sections.end[k]), dir.end());
    for (int later = k + 1; later < kAgiSections; ++later)
    {
        const std::size_t offset = sections.start[later] + growth;
        result[2 * later] = static_cast<std::uint8_t>(offset & 0xFF);
        result[2 * later + 1] = static_cast<std::uint8_t>(offset >> 8);
    }
    dir = std::move(result);
    return {};
}
