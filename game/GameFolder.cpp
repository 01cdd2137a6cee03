// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameFolder.h"

#include "sound/AgiResource.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace
{
constexpr std::uint64_t kMaxVolFileBytes = 16 * 1024 * 1024;

std::string WithoutErrorPrefix(const std::string& message)
{
    const std::string prefix = "Error: ";
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
}

InterpreterVersion ReadInterpreterVersion(const std::string& dir, const AgiFolderLayout& found)
{
    GameBytes agidata;
    // An unreadable file is as good as none: the version is then assumed.
    if (!found.agidataName.empty() &&
        !ReadGameFile((fs::path(dir) / found.agidataName).string(), kMaxGameDirBytes, agidata)
             .empty())
        agidata.clear();
    return FindInterpreterVersion(agidata, found.version);
}
} // namespace

std::string CGameFolder::Open(const std::string& dir)
{
    m_dir = dir;
    m_found = {};
    m_pLayout.reset();
    m_interpreter = {};
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return "No such game folder: " + dir;
    std::vector<std::string> names;
    fs::directory_iterator it(dir, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec))
            names.push_back(it->path().filename().string());
    if (ec)
        return "Cannot read the game folder " + dir + ": " + ec.message();
    AgiFolderLayout found = FindAgiFolderLayout(names);
    if (found.version == 0)
        return "The game folder " + dir + " " + found.error;
    if (!found.volPastLast.empty())
        return "The game folder " + dir + " has " + found.volPastLast + ", a volume number past " +
               std::to_string(kMaxVolNumber) + " that no directory entry can reach";
    m_pLayout = MakeGameLayout(dir, found, names);
    m_interpreter = ReadInterpreterVersion(dir, found);
    m_found = std::move(found);
    return {};
}

std::string CGameFolder::Describe() const
{
    std::string text = "version " + std::to_string(m_found.version) + " game";
    if (m_found.version == 3)
        text += " " + m_found.id;
    text += ", interpreter " + DescribeInterpreterVersion(m_interpreter);
    if (m_found.bBothLayouts)
        text += "; the folder holds version 3 files" +
                (m_found.id.empty() ? std::string() : " of " + m_found.id) +
                " too, which are not read";
    return text;
}

std::string CGameFolder::ReadDirectory(GameDirectory& directory) const
{
    if (m_pLayout == nullptr)
        return "No game folder is open";
    return m_pLayout->ReadDirectory(directory);
}

std::string CGameFolder::VolName(int volume) const
{
    const auto it = m_found.volNames.find(volume);
    return it != m_found.volNames.end() ? it->second : m_found.volPrefix + std::to_string(volume);
}

std::string CGameFolder::ReadVol(int volume, GameBytes& vol) const
{
    if (!m_found.volNames.count(volume))
        return VolName(volume) + " is missing";
    return ReadGameFile((fs::path(m_dir) / VolName(volume)).string(), kMaxVolFileBytes, vol);
}

std::string CGameFolder::ReadEntry(const AgiDirEntry& entry, const GameBytes& vol,
                                   const GameDirectory& directory, GameRecord& record) const
{
    if (std::string error = m_pLayout->ReadRecord(vol, VolName(entry.volume), entry, record);
        !error.empty())
        return error;
    return directory.volumes.CheckLength(entry, record.recordBytes);
}

std::string CGameFolder::SoundError(int n, const std::string& text) const
{
    return "sound " + std::to_string(n) + " of the game folder " + m_dir + " " + text;
}

void CGameFolder::ListVolume(int volume, const std::vector<std::size_t>& indices,
                             const std::vector<AgiDirEntry>& entries,
                             const GameDirectory& directory, std::vector<GameSoundInfo>& sounds,
                             std::vector<GameBytes>* pResources) const
{
    GameBytes vol;
    const std::string volError = ReadVol(volume, vol);
    for (const std::size_t i : indices)
    {
        GameSoundInfo& info = sounds[i];
        if (!volError.empty())
        {
            info.damaged = volError;
            continue;
        }
        GameRecord record;
        info.damaged = ReadEntry(entries[i], vol, directory, record);
        if (info.damaged.empty())
        {
            info.bytes = record.bytes.size();
            info.compressedBytes = record.compressedBytes;
            const Result<std::int64_t> ticks = MeasureAgiResource(record.bytes);
            info.ticks = ticks.Ok() ? ticks.Value() : 0;
            info.damaged = WithoutErrorPrefix(ticks.Error());
            if (pResources != nullptr && info.damaged.empty())
                (*pResources)[i] = std::move(record.bytes);
        }
    }
}

std::string CGameFolder::ListSounds(std::vector<GameSoundInfo>& sounds,
                                    std::vector<std::string>* pWarnings,
                                    const std::atomic<bool>* pCancel) const
{
    return ListOrRead(sounds, nullptr, pWarnings, pCancel);
}

std::string CGameFolder::ReadAllSounds(std::vector<GameSoundInfo>& sounds,
                                       std::vector<GameBytes>& resources,
                                       std::vector<std::string>* pWarnings) const
{
    return ListOrRead(sounds, &resources, pWarnings);
}

std::string CGameFolder::ListOrRead(std::vector<GameSoundInfo>& sounds,
                                    std::vector<GameBytes>* pResources,
                                    std::vector<std::string>* pWarnings,
                                    const std::atomic<bool>* pCancel) const
{
    sounds.clear();
    if (pResources != nullptr)
        pResources->clear();
    GameDirectory directory;
    if (std::string error = ReadDirectory(directory); !error.empty())
        return error;
    std::vector<std::string> warnings = std::move(directory.warnings);
    if (directory.soundCount > kMaxResourceNumber + 1)
        warnings.push_back((m_found.version == 3 ? "the sound section of " : "") + m_found.dirName +
                           " of the game folder " + m_dir + " has " +
                           std::to_string(directory.soundCount) + " entries; those past sound " +
                           std::to_string(kMaxResourceNumber) + " are ignored");
    // Grouped by VOL file, so that each is read once.
    std::vector<AgiDirEntry> entries;
    std::map<int, std::vector<std::size_t>> byVolume;
    for (int n = 0; n < static_cast<int>(directory.sounds.size()); ++n)
    {
        const AgiDirEntry& entry = directory.sounds[static_cast<std::size_t>(n)];
        if (entry.bEmpty)
            continue;
        byVolume[entry.volume].push_back(sounds.size());
        entries.push_back(entry);
        sounds.push_back({n, 0, 0, {}, 0});
    }
    if (pResources != nullptr)
        pResources->resize(sounds.size());
    for (const auto& [volume, indices] : byVolume)
    {
        if (pCancel != nullptr && pCancel->load())
        {
            sounds.clear();
            return "The listing of the game folder " + m_dir + " was cancelled";
        }
        ListVolume(volume, indices, entries, directory, sounds, pResources);
    }
    if (pWarnings != nullptr)
        *pWarnings = std::move(warnings);
    return {};
}

std::string CGameFolder::ReadSound(int n, GameBytes& resource) const
{
    GameDirectory directory;
    if (std::string error = ReadDirectory(directory); !error.empty())
        return error;
    if (n < 0 || n >= static_cast<int>(directory.sounds.size()) ||
        directory.sounds[static_cast<std::size_t>(n)].bEmpty)
        return SoundError(n, "does not exist: its slot in " + m_found.dirName + " is empty");
    const AgiDirEntry entry = directory.sounds[static_cast<std::size_t>(n)];
    GameBytes vol;
    GameRecord record;
    std::string error = ReadVol(entry.volume, vol);
    if (error.empty())
        error = ReadEntry(entry, vol, directory, record);
    if (!error.empty())
        return SoundError(n, "is damaged: " + error);
    resource = std::move(record.bytes);
    return {};
}
