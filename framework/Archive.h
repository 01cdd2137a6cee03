// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CFile;

// Raised when a loading archive runs out of bytes or a stored length is not plausible.
class CArchiveException
{
public:
    enum Cause
    {
        endOfFile,
        badLength,
        writeFailed,
    };
    explicit CArchiveException(Cause cause, std::string message = {})
        : m_cause(cause), m_strMessage(std::move(message))
    {
    }
    Cause m_cause;
    std::string m_strMessage;
};

// Buffered little-endian byte stream over a CFile, storing or loading.
class CArchive
{
public:
    enum Mode
    {
        store,
        load
    };

    CArchive(CFile* pFile, Mode mode, std::size_t nBufSize = 4096);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_mode == store; }
    bool IsLoading() const { return m_mode == load; }

    void Write(const void* pData, std::size_t nCount);
    // A storing archive's file makes room ahead for about nBytes more (a hint).
    void Reserve(std::uint64_t nBytes);
    // Reads up to nCount bytes; returns how many were read (fewer only at the end of the file).
    std::size_t Read(void* pData, std::size_t nCount);
    // Reads exactly nCount bytes or throws CArchiveException(endOfFile).
    void ReadExact(void* pData, std::size_t nCount);
    // Bytes left before the end of a loading archive's file.
    std::uint64_t RemainingBytes() const;
    // A loading archive starts again at the first byte of its file; false when the file
    // cannot go back.
    bool Rewind();

    // Text: WriteString writes the characters as they are; ReadString reads one line
    // without its "\n" or "\r\n" and returns false at the end of the file.
    void WriteString(const std::string& str);
    bool ReadString(std::string& str);

    // Length-prefixed name: 1, 3 or 7 length bytes, then the characters. Loading also
    // accepts the FF FE FF marker of a 16-bit-character name and converts it to UTF-8.
    void WriteCountedString(const std::string& str);
    std::string ReadCountedString();

    CArchive& operator<<(std::uint8_t v) { return WriteLE(v, 1); }
    CArchive& operator<<(std::int8_t v) { return WriteLE(static_cast<std::uint8_t>(v), 1); }
    CArchive& operator<<(std::uint16_t v) { return WriteLE(v, 2); }
    CArchive& operator<<(std::int16_t v) { return WriteLE(static_cast<std::uint16_t>(v), 2); }
    CArchive& operator<<(std::uint32_t v) { return WriteLE(v, 4); }
    CArchive& operator<<(std::int32_t v) { return WriteLE(static_cast<std::uint32_t>(v), 4); }

    CArchive& operator>>(std::uint8_t& v);
    CArchive& operator>>(std::int8_t& v);
    CArchive& operator>>(std::uint16_t& v);
    CArchive& operator>>(std::int16_t& v);
    CArchive& operator>>(std::uint32_t& v);
    CArchive& operator>>(std::int32_t& v);

    void Flush();
    void Close();

private:
    CArchive& WriteLE(std::uint64_t v, int nBytes);
    std::uint64_t ReadLE(int nBytes);
    bool FillBuffer();

    CFile* m_pFile;
    Mode m_mode;
    std::string m_buffer;
    std::size_t m_nBufSize;
    std::size_t m_nPos = 0; // next byte to read in m_buffer (loading)
    bool m_bClosed = false;
};
