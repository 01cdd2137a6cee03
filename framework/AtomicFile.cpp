// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

unsigned ReplacementMode(const std::string& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int fd, const void* pBuf, std::size_t nCount)
{
    const char* p = static_cast<const char*>(pBuf);
    while (nCount > 0)
    {
        const ssize_t n = ::write(fd, p, nCount);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        p += n;
        nCount -= static_cast<std::size_t>(n);
    }
    return true;
}

namespace
{
bool CopyOpenFile(int in, int out)
{
    char buf[65536];
    for (;;)
    {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return ::fsync(out) == 0;
        if (!WriteAll(out, buf, static_cast<std::size_t>(n)))
            return false;
    }
}
} // namespace

bool CopyFileBytes(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out =
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, ReplacementMode(from));
    bool bOk = out >= 0 && CopyOpenFile(in, out);
    int err = errno;
    if (out >= 0 && ::close(out) != 0 && bOk)
    {
        bOk = false;
        err = errno;
    }
    ::close(in);
    errno = err;
    return bOk;
}

CAtomicFile::CAtomicFile(const std::string& path) : m_strPath(path)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    m_strTempPath = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    m_fd = ::mkstemp(m_strTempPath.data());
    if (m_fd < 0)
        throw CFileException("Cannot save " + path + ":\n" + std::strerror(errno) + ".");
}

CAtomicFile::~CAtomicFile()
{
    Discard();
}

void CAtomicFile::Discard()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    ::unlink(m_strTempPath.c_str());
    m_fd = -1;
}

void CAtomicFile::Fail(int err)
{
    Discard();
    throw CFileException("Cannot save " + m_strPath + ":\n" + std::strerror(err) + ".");
}

std::size_t CAtomicFile::Read(void*, std::size_t)
{
    throw std::logic_error("a file being saved cannot be read");
}

void CAtomicFile::Write(const void* pBuf, std::size_t nCount)
{
    if (m_fd < 0)
        throw std::logic_error("the file is no longer open for writing");
    if (!WriteAll(m_fd, pBuf, nCount))
        Fail(errno);
}

void CAtomicFile::Commit()
{
    if (::fchmod(m_fd, ReplacementMode(m_strPath)) != 0 || ::fsync(m_fd) != 0)
        Fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 || ::rename(m_strTempPath.c_str(), m_strPath.c_str()) != 0)
    {
        const int err = errno;
        ::unlink(m_strTempPath.c_str());
        throw CFileException("Cannot save " + m_strPath + ":\n" + std::strerror(err) + ".");
    }
}

Status WriteAtomically(const std::string& path, const std::function<Status(CFile&)>& write)
{
    try
    {
        CAtomicFile file(path);
        Status written = write(file);
        if (written.Ok())
            file.Commit();
        return written;
    }
    catch (const CFileException& e)
    {
        return Failure::FromFile(e.what());
    }
}

Status WriteFileAtomically(const std::string& path, const void* pData, std::size_t nCount)
{
    return WriteAtomically(path,
                           [&](CFile& out)
                           {
                               out.Write(pData, nCount);
                               return Success();
                           });
}
