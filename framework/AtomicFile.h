// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/File.h"
#include "framework/Result.h"

#include <functional>
#include <string>

// The permissions a file that replaces path gets: path's own, or the usual 0666 & ~umask
// for a new file.
unsigned ReplacementMode(const std::string& path);
// Writes the whole buffer to the descriptor, resuming after interruptions; false (errno set)
// on failure.
bool WriteAll(int fd, const void* pBuf, std::size_t nCount);
// Copies the bytes of from over to (created with from's permissions) through WriteAll and
// syncs them to the disk; false (errno set) on failure. A full disk reports ENOSPC, which a
// library copy can turn into EIO.
bool CopyFileBytes(const std::string& from, const std::string& to);

// A file written beside its destination under a temporary name and renamed over it by Commit,
// so a failure at any step leaves the old file whole. Every failure throws CFileException
// ("Cannot save PATH:\nREASON."); an uncommitted file is removed when it is destroyed.
class CAtomicFile : public CFile
{
public:
    explicit CAtomicFile(const std::string& path);
    ~CAtomicFile() override;
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    std::size_t Read(void* pBuf, std::size_t nCount) override;
    void Write(const void* pBuf, std::size_t nCount) override;
    std::uint64_t GetRemaining() const override { return 0; }
    // Gives the file the permissions of the one it replaces, syncs it to the disk and renames it.
    void Commit();

private:
    [[noreturn]] void Fail(int err);
    void Discard();

    std::string m_strPath;
    std::string m_strTempPath;
    int m_fd = -1;
};

// Writes what write puts into a CAtomicFile and commits it only when write succeeds, so a
// refusal or a cancel (a silent failure) leaves no file. A CFileException becomes a failure
// of cause File.
Status WriteAtomically(const std::string& path, const std::function<Status(CFile&)>& write);
// The same for bytes at hand.
Status WriteFileAtomically(const std::string& path, const void* pData, std::size_t nCount);
