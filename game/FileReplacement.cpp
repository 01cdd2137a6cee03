// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/FileReplacement.h"

#include "framework/AtomicFile.h"
#include "game/BackupFolders.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
constexpr const char* kTempPrefix = ".tarvok-temp.";
constexpr std::size_t kTempSuffixChars = 7; // ".XXXXXX" of mkstemp

std::string Reason(int err)
{
    return std::strerror(err);
}

// The name a temporary file made by WriteTemp stands in for, or "".
std::string TempTarget(const std::string& name)
{
    const std::size_t prefix = std::strlen(kTempPrefix);
    if (name.size() < prefix + kTempSuffixChars + 1 || name.compare(0, prefix, kTempPrefix) != 0 ||
        name[name.size() - kTempSuffixChars] != '.')
        return {};
    return name.substr(prefix, name.size() - kTempSuffixChars - prefix);
}

bool HasWriteBit(const fs::path& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) != 0;
}

// "" or the system's reason the file cannot be read.
std::string ReadBack(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Reason(errno);
    bytes.clear();
    std::uint8_t buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) != 0)
    {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            const int err = errno;
            ::close(fd);
            return Reason(err);
        }
        bytes.insert(bytes.end(), buf, buf + n);
    }
    ::close(fd);
    return {};
}

// Writes the whole buffer to a new temporary file beside path, with path's permissions.
std::string WriteTemp(const std::string& path, const std::vector<std::uint8_t>& bytes,
                      std::string& tempPath)
{
    const fs::path target(path);
    std::string tmpl =
        (target.parent_path() / (kTempPrefix + target.filename().string() + ".XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return Reason(errno);
    tempPath = tmpl;
    if (!WriteAll(fd, bytes.data(), bytes.size()) || ::fchmod(fd, ReplacementMode(path)) != 0 ||
        ::fsync(fd) != 0)
    {
        const int err = errno;
        ::close(fd);
        return Reason(err);
    }
    if (::close(fd) != 0)
        return Reason(errno);
    return {};
}
} // namespace

void CFileReplacement::Add(const std::string& name, std::vector<std::uint8_t> contents)
{
    m_files.push_back({name, std::move(contents), false, {}});
}

std::string CFileReplacement::Path(const std::string& name) const
{
    return (fs::path(m_dir) / name).string();
}

CFileReplacement::Outcome CFileReplacement::Commit(std::string& error)
{
    m_backupPath.clear();
    error = CheckWritable();
    if (error.empty())
    {
        RemoveLeftovers();
        error = MakeBackup();
    }
    if (error.empty())
        error = MakeFolders();
    if (error.empty())
        error = WriteTemps();
    if (!error.empty())
    {
        RemoveTemps();
        RemoveBackup();
        return Outcome::Failed;
    }
    if (error = RenameAll(); !error.empty())
        return Outcome::Failed;
    return VerifyAll(error);
}

// Checks the mode bits as well as access(2): root may write anything, but a file or folder
// without write permission is the person's way of saying "keep this game as it is".
std::string CFileReplacement::CheckFolder(const std::string& dir)
{
    if (!HasWriteBit(dir))
        return "the folder " + dir + " is read-only";
    if (::access(dir.c_str(), W_OK) != 0)
        return dir + " cannot be written: " + Reason(errno);
    return {};
}

std::string CFileReplacement::CheckWritable()
{
    if (std::string error = CheckFolder(m_dir); !error.empty())
        return error;
    for (File& file : m_files)
    {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(Path(file.name), ec);
        file.bExists = fs::exists(status);
        const fs::path folder = fs::path(file.name).parent_path();
        const fs::file_status folderStatus = fs::symlink_status(Path(folder.string()), ec);
        if (!folder.empty() && fs::exists(folderStatus) && !fs::is_directory(folderStatus))
            return folder.string() + " is not a folder";
        if (!file.bExists)
            continue;
        if (!fs::is_regular_file(status))
            return file.name + " is not a regular file";
        if (!HasWriteBit(Path(file.name)))
            return file.name + " is read-only";
        if (::access(Path(file.name).c_str(), W_OK) != 0)
            return file.name + " cannot be written: " + Reason(errno);
    }
    return {};
}

// In the folder and in each folder inside it that this replacement writes to.
void CFileReplacement::RemoveLeftovers() const
{
    CBackupFolders(m_dir).RemoveUnfinished();
    std::set<fs::path> folders{fs::path()};
    for (const File& file : m_files)
        folders.insert(fs::path(file.name).parent_path());
    std::error_code ec;
    std::vector<fs::path> temps;
    for (const fs::path& folder : folders)
        for (fs::directory_iterator it(fs::path(m_dir) / folder, ec);
             !ec && it != fs::directory_iterator(); it.increment(ec))
        {
            const std::string target = TempTarget(it->path().filename().string());
            if (!target.empty() && m_isReplaceable && m_isReplaceable((folder / target).string()) &&
                fs::is_regular_file(it->symlink_status(ec)))
                temps.push_back(it->path());
        }
    for (const fs::path& temp : temps)
        fs::remove(temp, ec);
}

// A folder inside dir that a new file goes into, made when missing; never one that is a link.
std::string CFileReplacement::MakeFolders() const
{
    for (const File& file : m_files)
    {
        const fs::path folder = fs::path(file.name).parent_path();
        if (folder.empty())
            continue;
        struct stat st
        {
        };
        if (::mkdir(Path(folder.string()).c_str(), 0777) != 0 && errno != EEXIST)
            return "cannot make the folder " + Path(folder.string()) + ": " + Reason(errno);
        if (::lstat(Path(folder.string()).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return folder.string() + " is not a folder";
    }
    return {};
}

std::string CFileReplacement::MakeBackup()
{
    std::vector<std::string> names;
    for (const File& file : m_files)
        if (file.bExists)
            names.push_back(file.name);
    return CBackupFolders(m_dir).Make(names, m_backupPath);
}

std::string CFileReplacement::WriteTemps()
{
    for (File& file : m_files)
        if (std::string error = WriteTemp(Path(file.name), file.contents, file.tempPath);
            !error.empty())
            return file.name + " cannot be written: " + error;
    return {};
}

std::string CFileReplacement::RenameAll()
{
    for (std::size_t i = 0; i < m_files.size(); ++i)
    {
        if (::rename(m_files[i].tempPath.c_str(), Path(m_files[i].name).c_str()) == 0)
        {
            m_files[i].tempPath.clear();
            continue;
        }
        const std::string error = m_files[i].name + " cannot be written: " + Reason(errno);
        // Undo the renames done so far, so the folder stays as it was.
        std::error_code ec;
        for (std::size_t j = 0; j < i; ++j)
        {
            if (m_files[j].bExists)
                CopyFileBytes((fs::path(m_backupPath) / m_files[j].name).string(),
                              Path(m_files[j].name));
            else
                fs::remove(Path(m_files[j].name), ec);
        }
        RemoveTemps();
        RemoveBackup();
        return error;
    }
    return {};
}

CFileReplacement::Outcome CFileReplacement::VerifyAll(std::string& error) const
{
    for (const File& file : m_files)
    {
        std::vector<std::uint8_t> bytes;
        if (error = ReadBack(Path(file.name), bytes); !error.empty())
        {
            error = file.name + " could not be read back to check it: " + error;
            return Outcome::NotReadBack;
        }
        if (bytes != file.contents)
        {
            error = file.name + " does not read back as written (the old files are in " +
                    m_backupPath + ")";
            return Outcome::Failed;
        }
    }
    return Outcome::Done;
}

void CFileReplacement::RemoveTemps()
{
    for (File& file : m_files)
        if (!file.tempPath.empty())
        {
            ::unlink(file.tempPath.c_str());
            file.tempPath.clear();
        }
}

void CFileReplacement::RemoveBackup()
{
    if (!m_backupPath.empty())
        CBackupFolders(m_dir).Remove(m_backupPath);
    m_backupPath.clear();
}
