// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/BackupFolders.h"

#include "framework/AtomicFile.h"
#include "game/GameDocuments.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
constexpr const char* kBackupFolder = ".tarvok-backup";
constexpr const char* kUnfinished = "-unfinished";
constexpr const char* kMarkerName = ".made-by-tarvok";
constexpr const char* kMarkerText = "Tarvok copied the game's files here before it changed them.\n";
constexpr std::size_t kStampChars = 15; // YYYYMMDD-HHMMSS

// The stamp of a backup's name and its count ("20261207-013000-2" → 2, none → 0).
using BackupOrder = std::pair<std::string, int>;

std::string TimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
    return buf;
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && text.size() < 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// False for a name that is not a backup's.
bool ParseBackupName(const std::string& name, BackupOrder& order)
{
    if (name.size() < kStampChars || name[8] != '-' || !AllDigits(name.substr(0, 8)) ||
        !AllDigits(name.substr(9, 6)))
        return false;
    order = {name.substr(0, kStampChars), 0};
    if (name.size() == kStampChars)
        return true;
    const std::string k = name.substr(kStampChars + 1);
    if (name[kStampChars] != '-' || !AllDigits(k))
        return false;
    order.second = std::stoi(k);
    return true;
}

std::string BackupName(const BackupOrder& order)
{
    return order.second == 0 ? order.first : order.first + "-" + std::to_string(order.second);
}

bool IsLink(const fs::path& path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string WriteMarker(const std::string& folder)
{
    const std::string path = (fs::path(folder) / kMarkerName).string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    const bool bOk = fd >= 0 && WriteAll(fd, kMarkerText, std::strlen(kMarkerText));
    const int err = errno;
    if (fd >= 0 && ::close(fd) != 0 && bOk)
        return "cannot write " + path + ": " + std::strerror(errno);
    return bOk ? std::string() : "cannot write " + path + ": " + std::strerror(err);
}
} // namespace

std::string CBackupFolders::Root() const
{
    return (fs::path(m_dir) / kBackupFolder).string();
}

std::string CBackupFolders::LinkMessage(const std::string& path)
{
    return path + " is a link; remove it or move it away";
}

std::string CBackupFolders::CheckNoLinks() const
{
    for (const char* name : {kBackupFolder, GameDocuments::kFolder})
    {
        const fs::path folder = fs::path(m_dir) / name;
        if (IsLink(folder))
            return LinkMessage(folder.string());
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
             it.increment(ec))
            if (it->is_symlink(ec))
                return LinkMessage(it->path().string());
    }
    return {};
}

bool CBackupFolders::IsMadeHere(const std::string& path)
{
    struct stat folder
    {
    }, marker{};
    return ::lstat(path.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
           ::lstat((fs::path(path) / kMarkerName).c_str(), &marker) == 0 && S_ISREG(marker.st_mode);
}

void CBackupFolders::RemoveUnfinished() const
{
    std::error_code ec;
    std::vector<fs::path> unfinished;
    for (fs::directory_iterator it(Root(), ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        if (EndsWith(it->path().filename().string(), kUnfinished) &&
            IsMadeHere(it->path().string()))
            unfinished.push_back(it->path());
    for (const fs::path& path : unfinished)
        fs::remove_all(path, ec);
}

std::string CBackupFolders::MakeUnfinished(std::string& finalPath) const
{
    std::error_code ec;
    fs::create_directory(Root(), ec);
    if (ec)
        return "cannot make the backup folder " + Root() + ": " + ec.message();
    // Past the newest backup made here, finished or not.
    BackupOrder newest{"", -1};
    for (fs::directory_iterator it(Root(), ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
    {
        std::string name = it->path().filename().string();
        if (EndsWith(name, kUnfinished))
            name.resize(name.size() - std::strlen(kUnfinished));
        BackupOrder order;
        if (ParseBackupName(name, order) && IsMadeHere(it->path().string()))
            newest = std::max(newest, order);
    }
    BackupOrder order{TimeStamp(), 0};
    if (newest.first >= order.first)
        order = {newest.first, newest.second + 1};
    for (;; ++order.second)
    {
        const fs::path folder = fs::path(Root()) / BackupName(order);
        if (fs::exists(fs::symlink_status(folder, ec)))
            continue;
        const std::string unfinished = folder.string() + kUnfinished;
        if (::mkdir(unfinished.c_str(), 0777) == 0)
        {
            if (std::string error = WriteMarker(unfinished); !error.empty())
            {
                Remove(unfinished);
                return error;
            }
            finalPath = folder.string();
            return {};
        }
        if (errno != EEXIST)
            return "cannot make the backup folder " + unfinished + ": " + std::strerror(errno);
    }
}

std::string CBackupFolders::Make(const std::vector<std::string>& names, std::string& path) const
{
    path.clear();
    std::string finalPath;
    if (std::string error = MakeUnfinished(finalPath); !error.empty())
        return error;
    const std::string unfinished = finalPath + kUnfinished;
    for (const std::string& name : names)
    {
        const fs::path copy = fs::path(unfinished) / name;
        std::error_code ec;
        fs::create_directories(copy.parent_path(), ec);
        if (!CopyFileBytes((fs::path(m_dir) / name).string(), copy.string()))
        {
            const std::string error = "cannot back up " + name + ": " + std::strerror(errno);
            Remove(unfinished);
            return error;
        }
    }
    if (::rename(unfinished.c_str(), finalPath.c_str()) != 0)
    {
        const std::string error =
            "cannot finish the backup folder " + finalPath + ": " + std::strerror(errno);
        Remove(unfinished);
        return error;
    }
    path = finalPath;
    return {};
}

void CBackupFolders::Remove(const std::string& path) const
{
    std::error_code ec;
    fs::remove_all(path, ec);
    // Fails, as it should, while other backups are in it.
    fs::remove(Root(), ec);
}

void CBackupFolders::Prune(int nKeep, const std::string& keepPath) const
{
    if (nKeep <= 0)
        return;
    std::vector<std::pair<BackupOrder, fs::path>> backups;
    std::error_code ec;
    for (fs::directory_iterator it(Root(), ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
    {
        BackupOrder order;
        if (ParseBackupName(it->path().filename().string(), order) &&
            IsMadeHere(it->path().string()))
            backups.emplace_back(order, it->path());
    }
    // The one at keepPath first, then the newest.
    std::sort(backups.begin(), backups.end(), std::greater<>());
    std::stable_partition(backups.begin(), backups.end(),
                          [&](const auto& b) { return fs::equivalent(b.second, keepPath, ec); });
    for (std::size_t i = static_cast<std::size_t>(nKeep); i < backups.size(); ++i)
        fs::remove_all(backups[i].second, ec);
}
