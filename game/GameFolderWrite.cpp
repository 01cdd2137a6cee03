// SPDX-License-Identifier: GPL-3.0-or-later
// The writes of a game folder: one at a time into a game, each into the game as it is once
// the write holds the folder.
#include "game/GameFolder.h"

#include "game/BackupFolders.h"
#include "game/FileReplacement.h"
#include "game/FolderLock.h"
#include "game/GameDocuments.h"
#include "sound/AgiResource.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace
{
// Moves what from holds and to does not into to, into the folders inside too; false on a
// failure.
bool MoveMissingCopies(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    std::vector<fs::path> copies;
    for (fs::directory_iterator it(from, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        copies.push_back(it->path());
    if (ec)
        return false;
    for (const fs::path& copy : copies)
    {
        const fs::path target = to / copy.filename();
        const fs::file_status there = fs::symlink_status(target, ec);
        if (!fs::exists(there))
            fs::rename(copy, target, ec);
        else if (fs::is_directory(there) && fs::is_directory(fs::symlink_status(copy, ec)) &&
                 !MoveMissingCopies(copy, target))
            return false;
        if (ec)
            return false;
    }
    return true;
}
} // namespace

SoundWriteResult CGameFolder::WriteSound(int n, const GameBytes& resource,
                                         const SoundWriteOptions& options)
{
    m_backupPath.clear();
    if (m_pLayout == nullptr)
        return {SoundWriteOutcome::Failed, "No game folder is open"};
    const CBackupFolders backups(m_dir);
    // Before the lock, which makes the backups folder.
    if (std::string error = CheckWriteRequest(n, resource, backups); !error.empty())
        return {SoundWriteOutcome::Failed, SoundError(n, "cannot be written: " + error)};
    CFolderLock lock(backups.Root());
    std::string error;
    switch (lock.Acquire(options.keepWaiting, error))
    {
    case CFolderLock::Outcome::GaveUp:
        return {SoundWriteOutcome::GaveUp,
                SoundError(n, "was not written: another write into the game was going on")};
    case CFolderLock::Outcome::Failed:
        return {SoundWriteOutcome::Failed, SoundError(n, "cannot be written: " + error)};
    case CFolderLock::Outcome::Locked:
        break;
    }
    return WriteLocked(n, resource, options);
}

std::string CGameFolder::CheckWriteRequest(int n, const GameBytes& resource,
                                           const CBackupFolders& backups) const
{
    if (n < 0 || n > kMaxResourceNumber)
        return "sound numbers go from 0 to " + std::to_string(kMaxResourceNumber);
    if (resource.size() > kMaxAgiResourceBytes)
        return std::to_string(resource.size()) +
               " bytes is more than a game resource can hold (65535)";
    if (std::string error = backups.CheckNoLinks(); !error.empty())
        return error;
    return CFileReplacement::CheckFolder(m_dir);
}

SoundWriteResult CGameFolder::WriteLocked(int n, const GameBytes& resource,
                                          const SoundWriteOptions& options)
{
    // Another write may have changed the game, even added a VOL file, while this one waited.
    if (std::string error = Open(m_dir); !error.empty())
        return {SoundWriteOutcome::Failed, error};
    if (std::string error = CBackupFolders(m_dir).CheckNoLinks(); !error.empty())
        return {SoundWriteOutcome::Failed, SoundError(n, "cannot be written: " + error)};
    if (options.expected && !StillHolds(n, *options.expected))
        return {SoundWriteOutcome::ChangedInGame,
                SoundError(n, "was not written: it was changed in the game since it was read")};
    GameDirectory directory;
    if (std::string error = ReadDirectory(directory); !error.empty())
        return {SoundWriteOutcome::Failed, error};
    directory.sounds.resize(kMaxResourceNumber + 1);

    CFileReplacement replacement(m_dir,
                                 [this](const std::string& name) { return IsReplaceable(name); });
    if (std::string error = PlaceSound(n, resource, directory, replacement); !error.empty())
        return {SoundWriteOutcome::Failed, SoundError(n, "cannot be written: " + error)};
    if (!options.document.empty())
        replacement.Add(GameDocuments::NameOf(n),
                        {options.document.begin(), options.document.end()});
    std::string error;
    const CFileReplacement::Outcome outcome = replacement.Commit(error);
    if (outcome == CFileReplacement::Outcome::Failed)
        return {SoundWriteOutcome::Failed, SoundError(n, "cannot be written: " + error)};
    m_backupPath = replacement.GetBackupPath();
    FoldBackupInto(options.earlierBackup);
    CBackupFolders(m_dir).Prune(m_nBackupsKept, m_backupPath);
    // A new VOL file is known from now on.
    Open(m_dir);
    if (outcome == CFileReplacement::Outcome::NotReadBack)
        return {SoundWriteOutcome::NotReadBack, "sound " + std::to_string(n) +
                                                    " was written into the game folder " + m_dir +
                                                    ", but " + error};
    return {SoundWriteOutcome::Written, {}};
}

// Whether sound n is still the caller's: the same bytes, or no sound when expected is empty.
bool CGameFolder::StillHolds(int n, const GameBytes& expected) const
{
    GameDirectory directory;
    if (!ReadDirectory(directory).empty())
        return false;
    const bool bNone = n >= static_cast<int>(directory.sounds.size()) ||
                       directory.sounds[static_cast<std::size_t>(n)].bEmpty;
    if (expected.empty() || bNone)
        return expected.empty() && bNone;
    GameBytes current;
    return ReadSound(n, current).empty() && current == expected;
}

// The directory file and the volume files of the layout read, in any case, and the documents
// kept beside the sounds.
bool CGameFolder::IsReplaceable(const std::string& name) const
{
    return GameDocuments::IsDocumentName(name) || Lower(name) == Lower(m_found.dirName) ||
           AgiVolNumber(name, m_found.version == 3 ? m_found.id : std::string()) >= 0;
}

// The write is done: a failure here only leaves this write's own backup folder standing. Only
// a backup made here, in this game, takes the copies.
void CGameFolder::FoldBackupInto(const std::string& earlierBackup)
{
    std::error_code ec;
    if (earlierBackup.empty() || m_backupPath.empty() ||
        !CBackupFolders::IsMadeHere(earlierBackup) ||
        !fs::equivalent(fs::path(earlierBackup).parent_path(), CBackupFolders(m_dir).Root(), ec))
        return;
    if (!MoveMissingCopies(m_backupPath, earlierBackup))
        return;
    fs::remove_all(m_backupPath, ec);
    m_backupPath = earlierBackup;
}

std::string CGameFolder::Append(int n, const GameBytes& resource, GameDirectory& directory,
                                CFileReplacement& replacement) const
{
    const int last = m_found.volNames.empty() ? 0 : m_found.volNames.rbegin()->first;
    int volume = last;
    GameBytes vol, record;
    if (std::string error = m_pLayout->MakeRecord(volume, resource, record); !error.empty())
        return error;
    if (m_found.volNames.count(volume))
    {
        if (std::string error = ReadVol(volume, vol); !error.empty())
            return error;
        if (vol.size() + record.size() > kMaxVolBytes)
        {
            vol.clear();
            ++volume;
        }
    }
    if (volume > kMaxVolNumber)
        return VolName(kMaxVolNumber) + " is full and there is no VOL file after it";
    // The volume number is in the record's header.
    if (volume != last)
        if (std::string error = m_pLayout->MakeRecord(volume, resource, record); !error.empty())
            return error;
    const AgiDirEntry entry{false, volume, static_cast<std::uint32_t>(vol.size())};
    if (std::string error = m_pLayout->SetSoundEntry(directory.bytes, n, entry); !error.empty())
        return error;
    vol.insert(vol.end(), record.begin(), record.end());
    replacement.Add(VolName(volume), std::move(vol));
    replacement.Add(m_found.dirName, std::move(directory.bytes));
    return {};
}

std::string CGameFolder::PlaceSound(int n, const GameBytes& resource, GameDirectory& directory,
                                    CFileReplacement& replacement) const
{
    const AgiDirEntry old = directory.sounds[static_cast<std::size_t>(n)];
    // In place only where every directory shows the record is this sound's alone.
    GameBytes vol, record;
    GameRecord oldRecord;
    if (old.bEmpty || !directory.warnings.empty() || directory.volumes.IsShared(old) ||
        !ReadVol(old.volume, vol).empty() || !ReadEntry(old, vol, directory, oldRecord).empty())
        return Append(n, resource, directory, replacement);
    if (std::string error = m_pLayout->MakeRecord(old.volume, resource, record); !error.empty())
        return error;
    if (record.size() > oldRecord.recordBytes)
        return Append(n, resource, directory, replacement);
    std::copy(record.begin(), record.end(), vol.begin() + old.offset);
    replacement.Add(VolName(old.volume), std::move(vol));
    return {};
}
