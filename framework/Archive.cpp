// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Archive.h"

#include "framework/File.h"
#include "framework/TextCodec.h"

#include <cstring>

CArchive::CArchive(CFile* pFile, Mode mode, std::size_t nBufSize)
    : m_pFile(pFile), m_mode(mode), m_nBufSize(nBufSize == 0 ? 4096 : nBufSize)
{
    if (m_mode == store)
        m_buffer.reserve(m_nBufSize);
}

CArchive::~CArchive()
{
    // A destructor must not throw: an archive abandoned by an exception just drops its buffer.
    if (!m_bClosed && IsStoring())
    {
        try
        {
            Flush();
        }
        catch (...)
        {
        }
    }
}

void CArchive::Write(const void* pData, std::size_t nCount)
{
    if (m_buffer.size() + nCount > m_nBufSize)
    {
        Flush();
        if (nCount >= m_nBufSize)
        {
            m_pFile->Write(pData, nCount);
            return;
        }
    }
    m_buffer.append(static_cast<const char*>(pData), nCount);
}

void CArchive::Reserve(std::uint64_t nBytes)
{
    if (IsStoring())
        m_pFile->Reserve(m_buffer.size() + nBytes);
}

bool CArchive::FillBuffer()
{
    m_buffer.erase(0, m_nPos);
    m_nPos = 0;
    const std::size_t nOld = m_buffer.size();
    m_buffer.resize(nOld + m_nBufSize);
    const std::size_t nRead = m_pFile->Read(m_buffer.data() + nOld, m_nBufSize);
    m_buffer.resize(nOld + nRead);
    return nRead > 0;
}

std::size_t CArchive::Read(void* pData, std::size_t nCount)
{
    auto* pOut = static_cast<char*>(pData);
    std::size_t nDone = 0;
    while (nDone < nCount)
    {
        // Large reads skip the buffer once it is empty: one copy instead of two.
        if (m_nPos == m_buffer.size() && nCount - nDone >= m_nBufSize)
        {
            const std::size_t nRead = m_pFile->Read(pOut + nDone, nCount - nDone);
            nDone += nRead;
            if (nRead == 0)
                break;
            continue;
        }
        if (m_nPos == m_buffer.size() && !FillBuffer())
            break;
        const std::size_t nTake = std::min(nCount - nDone, m_buffer.size() - m_nPos);
        std::memcpy(pOut + nDone, m_buffer.data() + m_nPos, nTake);
        m_nPos += nTake;
        nDone += nTake;
    }
    return nDone;
}

void CArchive::ReadExact(void* pData, std::size_t nCount)
{
    if (Read(pData, nCount) != nCount)
        throw CArchiveException(CArchiveException::endOfFile, "Unexpected end of data.");
}

bool CArchive::Rewind()
{
    if (!IsLoading() || !m_pFile->Rewind())
        return false;
    m_buffer.clear();
    m_nPos = 0;
    return true;
}

std::uint64_t CArchive::RemainingBytes() const
{
    return (m_buffer.size() - m_nPos) + m_pFile->GetRemaining();
}

void CArchive::WriteString(const std::string& str)
{
    Write(str.data(), str.size());
}

bool CArchive::ReadString(std::string& str)
{
    str.clear();
    bool bAny = false;
    for (;;)
    {
        if (m_nPos == m_buffer.size() && !FillBuffer())
            return bAny;
        bAny = true;
        const char* pStart = m_buffer.data() + m_nPos;
        const std::size_t nAvail = m_buffer.size() - m_nPos;
        const void* pNewLine = std::memchr(pStart, '\n', nAvail);
        if (pNewLine == nullptr)
        {
            str.append(pStart, nAvail);
            m_nPos = m_buffer.size();
            continue;
        }
        const std::size_t nLen = static_cast<const char*>(pNewLine) - pStart;
        str.append(pStart, nLen);
        m_nPos += nLen + 1;
        if (!str.empty() && str.back() == '\r')
            str.pop_back();
        return true;
    }
}

void CArchive::WriteCountedString(const std::string& str)
{
    const std::uint64_t nLen = str.size();
    if (nLen < 255)
        *this << static_cast<std::uint8_t>(nLen);
    else if (nLen < 0xFFFE)
        *this << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(nLen);
    else
        *this << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(0xFFFF)
              << static_cast<std::uint32_t>(nLen);
    Write(str.data(), str.size());
}

std::string CArchive::ReadCountedString()
{
    bool bWide = false;
    auto readLength = [this, &bWide]() -> std::uint64_t
    {
        for (;;)
        {
            std::uint8_t b8 = 0;
            *this >> b8;
            if (b8 < 0xFF)
                return b8;
            std::uint16_t w16 = 0;
            *this >> w16;
            if (w16 == 0xFFFE && !bWide)
            {
                bWide = true; // 16-bit characters follow; the real length comes next
                continue;
            }
            if (w16 < 0xFFFF)
                return w16;
            std::uint32_t d32 = 0;
            *this >> d32;
            return d32;
        }
    };
    const std::uint64_t nLen = readLength();
    const std::uint64_t nBytes = bWide ? nLen * 2 : nLen;
    if (nBytes > RemainingBytes())
        throw CArchiveException(CArchiveException::badLength,
                                "A stored name is longer than the data.");
    std::string raw(static_cast<std::size_t>(nBytes), '\0');
    ReadExact(raw.data(), raw.size());
    return bWide ? Utf16LeToUtf8(raw) : raw;
}

CArchive& CArchive::WriteLE(std::uint64_t v, int nBytes)
{
    char bytes[8];
    for (int i = 0; i < nBytes; ++i)
        bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    Write(bytes, static_cast<std::size_t>(nBytes));
    return *this;
}

std::uint64_t CArchive::ReadLE(int nBytes)
{
    unsigned char bytes[8] = {};
    ReadExact(bytes, static_cast<std::size_t>(nBytes));
    std::uint64_t v = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        v = (v << 8) | bytes[i];
    return v;
}

CArchive& CArchive::operator>>(std::uint8_t& v)
{
    v = static_cast<std::uint8_t>(ReadLE(1));
    return *this;
}
CArchive& CArchive::operator>>(std::int8_t& v)
{
    v = static_cast<std::int8_t>(ReadLE(1));
    return *this;
}
CArchive& CArchive::operator>>(std::uint16_t& v)
{
    v = static_cast<std::uint16_t>(ReadLE(2));
    return *this;
}
CArchive& CArchive::operator>>(std::int16_t& v)
{
    v = static_cast<std::int16_t>(ReadLE(2));
    return *this;
}
CArchive& CArchive::operator>>(std::uint32_t& v)
{
    v = static_cast<std::uint32_t>(ReadLE(4));
    return *this;
}
CArchive& CArchive::operator>>(std::int32_t& v)
{
    v = static_cast<std::int32_t>(ReadLE(4));
    return *this;
}

void CArchive::Flush()
{
    if (IsStoring() && !m_buffer.empty())
    {
        m_pFile->Write(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
}

void CArchive::Close()
{
    Flush();
    m_bClosed = true;
}
