// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/MemFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

CMemFile::CMemFile(std::size_t nGrowBytes) : m_nGrowBytes(nGrowBytes == 0 ? 1024 : nGrowBytes) {}

CMemFile::CMemFile(const void* pData, std::size_t nCount)
    : m_pView(nCount > 0 ? static_cast<const char*>(pData) : ""), m_nViewSize(nCount),
      m_nGrowBytes(1024)
{
}

std::size_t CMemFile::Read(void* pBuf, std::size_t nCount)
{
    const std::string_view bytes = Bytes();
    const std::size_t n = std::min(nCount, bytes.size() - m_nPos);
    if (n > 0)
        std::memcpy(pBuf, bytes.data() + m_nPos, n);
    m_nPos += n;
    return n;
}

void CMemFile::Write(const void* pBuf, std::size_t nCount)
{
    if (m_pView != nullptr)
        throw std::logic_error("a memory file over borrowed bytes cannot be written");
    const std::size_t nEnd = m_nPos + nCount;
    if (nEnd > m_data.capacity())
        m_data.reserve(std::max({nEnd, m_data.capacity() + m_nGrowBytes, m_data.capacity() * 2}));
    if (m_nPos == m_data.size())
        m_data.append(static_cast<const char*>(pBuf), nCount); // no zero fill before the copy
    else
    {
        if (nEnd > m_data.size())
            m_data.resize(nEnd);
        std::memcpy(m_data.data() + m_nPos, pBuf, nCount);
    }
    m_nPos = nEnd;
}

void CMemFile::Reserve(std::uint64_t nBytes)
{
    if (m_pView == nullptr && nBytes <= m_data.max_size() - m_nPos)
        m_data.reserve(m_nPos + static_cast<std::size_t>(nBytes));
}

std::string CMemFile::Detach()
{
    std::string data = std::move(m_data);
    m_data.clear();
    m_nPos = 0;
    return data;
}
