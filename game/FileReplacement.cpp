// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/FileReplacement.h"

#include "framework/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
constexpr const char* kBackupFolder = ".tarvok-backup";

std::string Reason(int err)
{
    return std::strerror(err);
}

std::string TimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
    return buf;
}

bool ReadBack(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes the whole buffer to a new temporary file beside path, with path's permissions.
std::string WriteTemp(const std::string& path, const std::vector<std::uint8_t>& bytes,
                      std::string& tempPath)
{
    const fs::path target(path);
    std::string tmpl = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX"));
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

std::string CFileReplacement::Commit()
{
    m_backupPath.clear();
    std::string error = CheckWritable();
    if (error.empty())
        error = MakeBackup();
    if (error.empty())
        error = WriteTemps();
    if (!error.empty())
    {
        RemoveTemps();
        RemoveBackup();
        return error;
    }
    if (error = RenameAll(); !error.empty())
        return error;
    return VerifyAll();
}

std::string CFileReplacement::CheckWritable()
{
    if (::access(m_dir.c_str(), W_OK) != 0)
        return m_dir + " cannot be written: " + Reason(errno);
    for (File& file : m_files)
    {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(Path(file.name), ec);
        file.bExists = fs::exists(status);
        if (file.bExists && !fs::is_regular_file(status))
            return file.name + " is not a regular file";
        if (file.bExists && ::access(Path(file.name).c_str(), W_OK) != 0)
            return file.name + " cannot be written: " + Reason(errno);
    }
    return {};
}

std::string CFileReplacement::MakeBackup()
{
    const fs::path root = fs::path(m_dir) / kBackupFolder;
    std::error_code ec;
    fs::create_directory(root, ec);
    if (ec)
        return "cannot make the backup folder " + root.string() + ": " + ec.message();
    const std::string stamp = TimeStamp();
    for (int k = 0;; ++k)
    {
        const fs::path folder = root / (k == 0 ? stamp : stamp + "-" + std::to_string(k));
        if (::mkdir(folder.c_str(), 0777) == 0)
        {
            m_backupPath = folder.string();
            break;
        }
        if (errno != EEXIST)
            return "cannot make the backup folder " + folder.string() + ": " + Reason(errno);
    }
    for (const File& file : m_files)
        if (file.bExists && !fs::copy_file(Path(file.name), fs::path(m_backupPath) / file.name, ec))
            return "cannot back up " + file.name + ": " + ec.message();
    return {};
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
                fs::copy_file(fs::path(m_backupPath) / m_files[j].name, Path(m_files[j].name),
                              fs::copy_options::overwrite_existing, ec);
            else
                fs::remove(Path(m_files[j].name), ec);
        }
        RemoveTemps();
        RemoveBackup();
        return error;
    }
    return {};
}

std::string CFileReplacement::VerifyAll() const
{
    for (const File& file : m_files)
    {
        std::vector<std::uint8_t> bytes;
        if (!ReadBack(Path(file.name), bytes) || bytes != file.contents)
            return file.name + " does not read back as written (the old files are in " +
                   m_backupPath + ")";
    }
    return {};
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
    std::error_code ec;
    if (!m_backupPath.empty())
        fs::remove_all(m_backupPath, ec);
    // Only removes the backups folder when this write was its first.
    fs::remove(fs::path(m_dir) / kBackupFolder, ec);
    m_backupPath.clear();
}
