// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Replaces several files of one folder as one change. Copies of the files that exist go to a
// new folder .tarvok-backup/<YYYYMMDD-HHMMSS>[-k]/ first; the new contents are written beside
// the old files and renamed over them, then read back and compared.
class CFileReplacement
{
public:
    explicit CFileReplacement(std::string dir) : m_dir(std::move(dir)) {}

    void Add(const std::string& name, std::vector<std::uint8_t> contents);
    // Returns "" or the reason. A failure before the renames leaves every file as it was
    // (and no backup folder); one during them puts the renamed files back from the backup.
    std::string Commit();
    // The backup folder of the last commit.
    const std::string& GetBackupPath() const { return m_backupPath; }

private:
    struct File
    {
        std::string name;
        std::vector<std::uint8_t> contents;
        bool bExists = false;
        std::string tempPath;
    };

    std::string Path(const std::string& name) const;
    std::string CheckWritable();
    std::string MakeBackup();
    std::string WriteTemps();
    std::string RenameAll();
    std::string VerifyAll() const;
    void RemoveTemps();
    void RemoveBackup();

    std::string m_dir;
    std::vector<File> m_files;
    std::string m_backupPath;
};
