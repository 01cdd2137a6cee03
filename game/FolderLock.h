// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <string>

// An exclusive lock that one process at a time holds on a folder, through flock(2) on a file
// ".lock" inside it: a second holder waits until the first lets go (or ends, however it
// ends). The folder is made when it is missing and removed again on release when nothing but
// the lock file is in it; neither it nor the lock file may be a symbolic link.
class CFolderLock
{
public:
    // Asked every so often while another process holds the lock, with the time waited so far;
    // false gives up.
    using KeepWaiting = std::function<bool(std::chrono::milliseconds waited)>;
    enum class Outcome
    {
        Locked,
        GaveUp,
        Failed,
    };

    explicit CFolderLock(std::string folder) : m_folder(std::move(folder)) {}
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // Without keepWaiting it waits as long as it takes. On Failed, error holds the reason.
    Outcome Acquire(const KeepWaiting& keepWaiting, std::string& error);

private:
    std::string LockPath() const;
    std::string OpenLockFile();
    bool Wait(const KeepWaiting& keepWaiting, std::chrono::steady_clock::time_point start) const;
    bool IsStillTheLockFile() const;
    void RemoveIfAlone() const;
    void Close();

    std::string m_folder;
    int m_fd = -1;
};
