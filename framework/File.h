// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

// Raised for an open, read or write failure of a file on disk.
class CFileException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A byte stream that an archive reads or writes.
class CFile
{
public:
    virtual ~CFile() = default;
    virtual std::size_t Read(void* pBuf, std::size_t nCount) = 0;
    virtual void Write(const void* pBuf, std::size_t nCount) = 0;
    // Bytes from the current position to the end.
    virtual std::uint64_t GetRemaining() const = 0;
    virtual void Flush() {}
    // Makes room ahead for about nBytes more, where that spares the file growing by steps.
    virtual void Reserve(std::uint64_t /*nBytes*/) {}
    // Goes back to the first byte for reading again; false for a stream that cannot.
    virtual bool Rewind() { return false; }
};

// A file on disk, opened for reading or for writing (created or truncated).
class CDiskFile : public CFile
{
public:
    enum OpenMode
    {
        modeRead,
        modeCreate
    };
    // Throws CFileException with a message for the user when the file cannot be opened.
    CDiskFile(const std::string& path, OpenMode mode);
    ~CDiskFile() override;
    CDiskFile(const CDiskFile&) = delete;
    CDiskFile& operator=(const CDiskFile&) = delete;

    std::size_t Read(void* pBuf, std::size_t nCount) override;
    void Write(const void* pBuf, std::size_t nCount) override;
    std::uint64_t GetRemaining() const override;
    void Flush() override;
    bool Rewind() override;
    // Also refuses, then or later, a file read past nMaxBytes: one that grows while it is
    // read, or a device without an end, must not fill the memory.
    CDiskFile(const std::string& path, OpenMode mode, std::uint64_t nMaxBytes);
    // Flushes to the disk and closes; throws CFileException when that fails.
    void Close();

private:
    std::FILE* m_fp = nullptr;
    std::string m_strPath;
    std::uint64_t m_nSize = 0;
    std::uint64_t m_nPos = 0;
    std::uint64_t m_nReadLimit = UINT64_MAX;
};

// Reads a whole file, refusing one larger than nMaxBytes; a failure is of cause File.
Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t nMaxBytes);
