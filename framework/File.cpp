// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/File.h"

#include "framework/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::string Reason(int err)
{
    return std::strerror(err);
}
} // namespace

CDiskFile::CDiskFile(const std::string& path, OpenMode mode) : m_strPath(path)
{
    struct stat st
    {
    };
    if (mode == modeRead)
    {
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            throw CFileException("Cannot open " + path + ":\nit is a folder, not a file.");
    }
    m_fp = std::fopen(path.c_str(), mode == modeRead ? "rb" : "wb");
    if (m_fp == nullptr)
        throw CFileException("Cannot open " + path + ":\n" + Reason(errno) + ".");
    if (mode == modeRead && ::fstat(::fileno(m_fp), &st) == 0)
        m_nSize = static_cast<std::uint64_t>(st.st_size);
}

CDiskFile::CDiskFile(const std::string& path, OpenMode mode, std::uint64_t nMaxBytes)
    : CDiskFile(path, mode)
{
    m_nReadLimit = nMaxBytes;
    if (m_nSize > nMaxBytes)
        throw CFileException("Cannot open " + path + ":\nthe file is too large.");
}

CDiskFile::~CDiskFile()
{
    if (m_fp != nullptr)
        std::fclose(m_fp);
}

std::size_t CDiskFile::Read(void* pBuf, std::size_t nCount)
{
    const std::size_t n = std::fread(pBuf, 1, nCount, m_fp);
    if (n < nCount && std::ferror(m_fp))
        throw CFileException("Cannot read " + m_strPath + ":\n" + Reason(errno) + ".");
    m_nPos += n;
    if (m_nPos > m_nReadLimit)
        throw CFileException("Cannot open " + m_strPath + ":\nthe file is too large.");
    return n;
}

void CDiskFile::Write(const void* pBuf, std::size_t nCount)
{
    if (std::fwrite(pBuf, 1, nCount, m_fp) != nCount)
        throw CFileException("Cannot write " + m_strPath + ":\n" + Reason(errno) + ".");
}

bool CDiskFile::Rewind()
{
    if (std::fseek(m_fp, 0, SEEK_SET) != 0)
        return false;
    m_nPos = 0;
    return true;
}

std::uint64_t CDiskFile::GetRemaining() const
{
    return m_nSize > m_nPos ? m_nSize - m_nPos : 0;
}

void CDiskFile::Flush()
{
    if (std::fflush(m_fp) != 0)
        throw CFileException("Cannot write " + m_strPath + ":\n" + Reason(errno) + ".");
}

void CDiskFile::Close()
{
    if (m_fp == nullptr)
        return;
    std::FILE* fp = m_fp;
    m_fp = nullptr;
    const bool bOk = std::fflush(fp) == 0 && ::fsync(::fileno(fp)) == 0;
    const int err = errno;
    if (std::fclose(fp) != 0 || !bOk)
        throw CFileException("Cannot write " + m_strPath + ":\n" + Reason(bOk ? errno : err) + ".");
}

Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t nMaxBytes)
{
    try
    {
        CDiskFile file(path, CDiskFile::modeRead, nMaxBytes);
        std::string data;
        // Room for the size the file has now: no regrowing copies on the way.
        data.reserve(static_cast<std::size_t>(file.GetRemaining()));
        char chunk[65536];
        for (;;)
        {
            const std::size_t n = file.Read(chunk, sizeof chunk);
            if (n == 0)
                break;
            data.append(chunk, n);
        }
        return data;
    }
    catch (const CFileException& e)
    {
        return Failure::FromFile(e.what());
    }
}
