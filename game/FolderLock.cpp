// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/FolderLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{
constexpr const char* kLockName = ".lock";
constexpr std::chrono::milliseconds kPollInterval{50};

bool LockNow(int fd, bool bBlock)
{
    int result;
    do
        result = ::flock(fd, LOCK_EX | (bBlock ? 0 : LOCK_NB));
    while (result != 0 && errno == EINTR);
    return result == 0;
}
} // namespace

CFolderLock::~CFolderLock()
{
    if (m_fd < 0)
        return;
    RemoveIfAlone();
    Close();
}

std::string CFolderLock::LockPath() const
{
    return (std::filesystem::path(m_folder) / kLockName).string();
}

CFolderLock::Outcome CFolderLock::Acquire(const KeepWaiting& keepWaiting, std::string& error)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;)
    {
        if (error = OpenLockFile(); !error.empty())
            return Outcome::Failed;
        if (!Wait(keepWaiting, start))
        {
            Close();
            return Outcome::GaveUp;
        }
        // The holder before may have removed the file it locked: then lock the one there now.
        if (IsStillTheLockFile())
            return Outcome::Locked;
        Close();
    }
}

std::string CFolderLock::OpenLockFile()
{
    // A holder that removed the folder on release may do so between these steps: start again.
    for (;;)
    {
        if (::mkdir(m_folder.c_str(), 0777) != 0 && errno != EEXIST)
            return "cannot make the folder " + m_folder + ": " + std::strerror(errno);
        const int dirFd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dirFd < 0 && errno == ENOENT)
            continue;
        if (dirFd < 0)
            return "cannot open the folder " + m_folder + ": " + std::strerror(errno);
        m_fd = ::openat(dirFd, kLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        const int err = errno;
        ::close(dirFd);
        if (m_fd < 0 && err == ENOENT)
            continue;
        if (m_fd < 0)
            return "cannot make the lock file " + LockPath() + ": " + std::strerror(err);
        struct stat st
        {
        };
        if (::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode))
            return {};
        Close();
        return LockPath() + " is not a regular file";
    }
}

bool CFolderLock::Wait(const KeepWaiting& keepWaiting,
                       std::chrono::steady_clock::time_point start) const
{
    if (!keepWaiting)
        return LockNow(m_fd, true);
    while (!LockNow(m_fd, false))
    {
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        if (!keepWaiting(waited))
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

bool CFolderLock::IsStillTheLockFile() const
{
    struct stat held
    {
    }, there{};
    return ::fstat(m_fd, &held) == 0 && ::lstat(LockPath().c_str(), &there) == 0 &&
           held.st_dev == there.st_dev && held.st_ino == there.st_ino;
}

// Done while the lock is held, so that no other writer is adding to the folder; one that
// waits on the removed file finds it gone and locks afresh.
void CFolderLock::RemoveIfAlone() const
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        if (it->path().filename() != kLockName)
            return;
    if (!ec && ::unlink(LockPath().c_str()) == 0)
        ::rmdir(m_folder.c_str());
}

void CFolderLock::Close()
{
    ::close(m_fd);
    m_fd = -1;
}
