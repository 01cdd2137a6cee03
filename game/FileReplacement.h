// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Replaces several files of one folder as one change. Copies of the files that exist go to a
// new backup folder first (see CBackupFolders); the new contents are written beside the old
// files under names no person would choose (".tarvok-temp.VOL.1.a1B2c3") and renamed over
// them, then read back and compared.
class CFileReplacement
{
public:
    // isReplaceable tells the names of the folder's files that replacements write, so the
    // temporary files of an interrupted one are known (and removed) whatever it wrote.
    CFileReplacement(std::string dir, std::function<bool(const std::string&)> isReplaceable)
        : m_dir(std::move(dir)), m_isReplaceable(std::move(isReplaceable))
    {
    }

    enum class Outcome
    {
        Done,
        // Every file is in place, but one could not be read back to compare it.
        NotReadBack,
        Failed,
    };

    // "" or why the folder cannot take a replacement.
    static std::string CheckFolder(const std::string& dir);
    // name is relative to the folder and may lie in a folder inside it (made when missing).
    void Add(const std::string& name, std::vector<std::uint8_t> contents);
    // Unless Done, error holds the reason. A failure before the renames leaves every file as
    // it was (and no backup folder); one during them puts the renamed files back from the
    // backup. First removes what an interrupted commit left behind.
    Outcome Commit(std::string& error);
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
    void RemoveLeftovers() const;
    std::string MakeFolders() const;
    std::string MakeBackup();
    std::string WriteTemps();
    std::string RenameAll();
    Outcome VerifyAll(std::string& error) const;
    void RemoveTemps();
    void RemoveBackup();

    std::string m_dir;
    std::function<bool(const std::string&)> m_isReplaceable;
    std::vector<File> m_files;
    std::string m_backupPath;
};
