// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The backups of one folder's files: .tarvok-backup/<YYYYMMDD-HHMMSS>[-k]/. Each holds a marker
// file that says it was made here, and clean-up removes only folders that hold one. A backup is
// made under a name ending in "-unfinished" and renamed once every copy is on the disk, so a
// write killed while copying leaves a folder that is known to be incomplete (and the files it
// copied untouched). Names sort in the order the backups were made: one made in the second of
// the newest backup (or while the clock is behind it) takes the newest's time and a count past
// the newest's own.
class CBackupFolders
{
public:
    explicit CBackupFolders(std::string dir) : m_dir(std::move(dir)) {}

    // The folder the backups are in.
    std::string Root() const;
    // "" or a message naming the first of Tarvok's folders in dir (the backups and .tarvok),
    // or of the entries in them, that is a symbolic link.
    std::string CheckNoLinks() const;
    // "<path> is a link; remove it or move it away".
    static std::string LinkMessage(const std::string& path);
    // Removes the folders a killed write left unfinished.
    void RemoveUnfinished() const;
    // Makes a finished backup holding copies of the named files (names relative to dir, which
    // keep their folders in the copy). Returns "" or the reason.
    std::string Make(const std::vector<std::string>& names, std::string& path) const;
    // Whether path is a folder (not a link) that holds the marker of a backup made here.
    static bool IsMadeHere(const std::string& path);
    // Removes a backup folder, and the backups root too when nothing else is in it.
    void Remove(const std::string& path) const;
    // Removes all but nKeep backups (0 keeps all): the one at keepPath and the newest others.
    void Prune(int nKeep, const std::string& keepPath) const;

private:
    std::string MakeUnfinished(std::string& finalPath) const;

    std::string m_dir;
};
