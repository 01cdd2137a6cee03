// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameFolder.h"

#include "framework/File.h"
#include "game/FileReplacement.h"
#include "sound/AgiResource.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace
{
// Far beyond any real game; keeps a hostile folder from costing memory.
constexpr std::uint64_t kMaxDirBytes = 1024 * 1024;
constexpr std::uint64_t kMaxVolFileBytes = 16 * 1024 * 1024;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The number of a "vol.N" name (N from 0 to 15), or -1.
int VolNumber(const std::string& lowerName)
{
    if (lowerName.rfind("vol.", 0) != 0 || lowerName.size() < 5 || lowerName.size() > 6)
        return -1;
    const std::string digits = lowerName.substr(4);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        (digits.size() > 1 && digits[0] == '0'))
        return -1;
    const int n = std::stoi(digits);
    return n <= kMaxVolNumber ? n : -1;
}

std::string ReadBytes(const std::string& path, std::uint64_t nMax, GameBytes& bytes)
{
    try
    {
        const std::string data = ReadWholeFile(path, nMax);
        bytes.assign(data.begin(), data.end());
        return {};
    }
    catch (const CFileException& e)
    {
        return e.what();
    }
}

// The name of a file a write replaces, in any case: SNDDIR or a VOL file.
bool IsReplaceable(const std::string& name)
{
    const std::string lower = Lower(name);
    return lower == "snddir" || VolNumber(lower) >= 0;
}

// The directories besides SNDDIR whose resources share the VOL files.
const std::map<std::string, GameResourceKind>& OtherDirs()
{
    static const std::map<std::string, GameResourceKind> dirs = {
        {"logdir", GameResourceKind::Logic},
        {"picdir", GameResourceKind::Picture},
        {"viewdir", GameResourceKind::View}};
    return dirs;
}

std::string WithoutErrorPrefix(const std::string& message)
{
    const std::string prefix = "Error: ";
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
}
} // namespace

std::string CGameFolder::Open(const std::string& dir)
{
    m_dir = dir;
    m_sndDirName.clear();
    m_otherDirNames.clear();
    m_volPrefix.clear();
    m_volNames.clear();
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return "No such game folder: " + dir;
    fs::directory_iterator it(dir, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    {
        if (!it->is_regular_file(ec))
            continue;
        const std::string name = it->path().filename().string();
        const std::string lower = Lower(name);
        if (lower == "snddir" && m_sndDirName.empty())
            m_sndDirName = name;
        else if (const auto other = OtherDirs().find(lower); other != OtherDirs().end())
            m_otherDirNames.emplace(other->second, name);
        else if (const int n = VolNumber(lower); n >= 0 && !m_volNames.count(n))
            m_volNames[n] = name;
    }
    if (ec)
        return "Cannot read the game folder " + dir + ": " + ec.message();
    if (m_sndDirName.empty())
        return "The game folder " + dir + " has no SNDDIR";
    // A new VOL file is named like the others, or in the case of SNDDIR.
    if (!m_volNames.empty())
        m_volPrefix = m_volNames.rbegin()->second.substr(0, 4);
    else
        m_volPrefix = m_sndDirName[0] == 'S' ? "VOL." : "vol.";
    return {};
}

std::string CGameFolder::ReadDir(const std::string& name, GameBytes& dir) const
{
    if (std::string error = ReadBytes((fs::path(m_dir) / name).string(), kMaxDirBytes, dir);
        !error.empty())
        return "Cannot read " + name + " of the game folder " + m_dir + ": " + error;
    return {};
}

std::string CGameFolder::ReadLayout(const GameBytes& sndDir, CVolumeLayout& layout) const
{
    layout.AddDirectory(GameResourceKind::Sound, sndDir);
    std::string error;
    for (const auto& [kind, name] : m_otherDirNames)
    {
        GameBytes dir;
        if (std::string dirError = ReadDir(name, dir); !dirError.empty())
            error = dirError;
        else
            layout.AddDirectory(kind, dir);
    }
    return error;
}

std::string CGameFolder::VolName(int volume) const
{
    const auto it = m_volNames.find(volume);
    return it != m_volNames.end() ? it->second : m_volPrefix + std::to_string(volume);
}

std::string CGameFolder::ReadVol(int volume, GameBytes& vol) const
{
    if (!m_volNames.count(volume))
        return VolName(volume) + " is missing";
    return ReadBytes((fs::path(m_dir) / VolName(volume)).string(), kMaxVolFileBytes, vol);
}

std::string CGameFolder::ReadEntry(const AgiDirEntry& entry, const GameBytes& vol,
                                   const CVolumeLayout& layout, GameBytes& resource) const
{
    if (std::string error = ReadVolResource(vol, VolName(entry.volume), entry, resource);
        !error.empty())
        return error;
    return layout.CheckLength(entry, resource.size());
}

std::string CGameFolder::SoundError(int n, const std::string& text) const
{
    return "sound " + std::to_string(n) + " of the game folder " + m_dir + " " + text;
}

// The write is done: a failure here only leaves this write's own backup folder standing.
void CGameFolder::FoldBackupInto(const std::string& earlierBackup)
{
    std::error_code ec;
    if (earlierBackup.empty() || m_backupPath.empty() || !fs::is_directory(earlierBackup, ec))
        return;
    std::vector<fs::path> copies;
    for (fs::directory_iterator it(m_backupPath, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        copies.push_back(it->path());
    for (const fs::path& copy : copies)
    {
        const fs::path target = fs::path(earlierBackup) / copy.filename();
        if (!fs::exists(target, ec))
            fs::rename(copy, target, ec);
        if (ec)
            return;
    }
    fs::remove_all(m_backupPath, ec);
    m_backupPath = earlierBackup;
}

void CGameFolder::ListVolume(int volume, const std::vector<std::size_t>& indices,
                             const std::vector<AgiDirEntry>& entries, const CVolumeLayout& layout,
                             std::vector<GameSoundInfo>& sounds) const
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
        GameBytes resource;
        info.damaged = ReadEntry(entries[i], vol, layout, resource);
        if (info.damaged.empty())
        {
            info.bytes = resource.size();
            info.damaged = WithoutErrorPrefix(MeasureAgiResource(resource, info.ticks));
        }
    }
}

std::string CGameFolder::ListSounds(std::vector<GameSoundInfo>& sounds,
                                    std::vector<std::string>* pWarnings) const
{
    sounds.clear();
    std::vector<std::string> warnings;
    GameBytes dir;
    if (std::string error = ReadDir(m_sndDirName, dir); !error.empty())
        return error;
    CVolumeLayout layout;
    if (std::string error = ReadLayout(dir, layout); !error.empty())
        warnings.push_back(error);
    int count = DirEntryCount(dir);
    if (count > kMaxResourceNumber + 1)
    {
        warnings.push_back(m_sndDirName + " of the game folder " + m_dir + " has " +
                           std::to_string(count) + " entries; those past sound " +
                           std::to_string(kMaxResourceNumber) + " are ignored");
        count = kMaxResourceNumber + 1;
    }
    // Grouped by VOL file, so that each is read once.
    std::vector<AgiDirEntry> entries;
    std::map<int, std::vector<std::size_t>> byVolume;
    for (int n = 0; n < count; ++n)
    {
        const AgiDirEntry entry = ReadDirEntry(dir, n);
        if (entry.bEmpty)
            continue;
        byVolume[entry.volume].push_back(sounds.size());
        entries.push_back(entry);
        sounds.push_back({n, 0, 0, {}});
    }
    for (const auto& [volume, indices] : byVolume)
        ListVolume(volume, indices, entries, layout, sounds);
    if (pWarnings != nullptr)
        *pWarnings = std::move(warnings);
    return {};
}

std::string CGameFolder::ReadSound(int n, GameBytes& resource) const
{
    GameBytes dir, vol;
    if (std::string error = ReadDir(m_sndDirName, dir); !error.empty())
        return error;
    const AgiDirEntry entry = ReadDirEntry(dir, n);
    if (entry.bEmpty)
        return SoundError(n, "does not exist: its slot in " + m_sndDirName + " is empty");
    CVolumeLayout layout;
    ReadLayout(dir, layout);
    std::string error = ReadVol(entry.volume, vol);
    if (error.empty())
        error = ReadEntry(entry, vol, layout, resource);
    if (!error.empty())
        return SoundError(n, "is damaged: " + error);
    return {};
}

std::string CGameFolder::WriteSound(int n, const GameBytes& resource,
                                    const std::string& earlierBackup)
{
    m_backupPath.clear();
    if (n < 0 || n > kMaxResourceNumber)
        return SoundError(n, "cannot be written: sound numbers go from 0 to " +
                                 std::to_string(kMaxResourceNumber));
    if (resource.size() > kMaxAgiResourceBytes)
        return SoundError(n, "cannot be written: " + std::to_string(resource.size()) +
                                 " bytes is more than a game resource can hold (65535)");
    GameBytes dir;
    if (std::string error = ReadDir(m_sndDirName, dir); !error.empty())
        return error;

    CFileReplacement replacement(m_dir, IsReplaceable);
    replacement.SetBackupsKept(m_nBackupsKept);
    const AgiDirEntry old = ReadDirEntry(dir, n);
    // In place only where every directory shows the record is this sound's alone.
    CVolumeLayout layout;
    const bool bLayoutKnown = ReadLayout(dir, layout).empty();
    GameBytes vol, oldResource;
    if (!old.bEmpty && bLayoutKnown && !layout.IsShared(old) && ReadVol(old.volume, vol).empty() &&
        ReadEntry(old, vol, layout, oldResource).empty() && resource.size() <= oldResource.size())
    {
        const GameBytes record = MakeVolRecord(old.volume, resource);
        std::copy(record.begin(), record.end(), vol.begin() + old.offset);
        replacement.Add(VolName(old.volume), std::move(vol));
    }
    else
    {
        int volume = m_volNames.empty() ? 0 : m_volNames.rbegin()->first;
        vol.clear();
        if (m_volNames.count(volume))
        {
            if (std::string error = ReadVol(volume, vol); !error.empty())
                return SoundError(n, "cannot be written: " + error);
            if (vol.size() + kVolHeaderBytes + resource.size() > kMaxVolBytes)
            {
                vol.clear();
                ++volume;
            }
        }
        if (volume > kMaxVolNumber)
            return SoundError(n, "cannot be written: " + VolName(kMaxVolNumber) +
                                     " is full and there is no VOL file after it");
        const AgiDirEntry entry{false, volume, static_cast<std::uint32_t>(vol.size())};
        const GameBytes record = MakeVolRecord(volume, resource);
        vol.insert(vol.end(), record.begin(), record.end());
        SetDirEntry(dir, n, entry);
        replacement.Add(VolName(volume), std::move(vol));
        replacement.Add(m_sndDirName, std::move(dir));
    }
    if (std::string error = replacement.Commit(); !error.empty())
        return SoundError(n, "cannot be written: " + error);
    m_backupPath = replacement.GetBackupPath();
    FoldBackupInto(earlierBackup);
    // A new VOL file is known from now on.
    return Open(m_dir);
}
