// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/File.h"

#include <string>
#include <string_view>

// A growable file in memory.
class CMemFile : public CFile
{
public:
    explicit CMemFile(std::size_t nGrowBytes = 1024);
    // A read-only file over the given bytes, read in place: they must outlive the file.
    // Loading a large document must not copy its text first.
    CMemFile(const void* pData, std::size_t nCount);

    std::size_t Read(void* pBuf, std::size_t nCount) override;
    void Write(const void* pBuf, std::size_t nCount) override;
    void Reserve(std::uint64_t nBytes) override;
    std::uint64_t GetRemaining() const override { return Bytes().size() - m_nPos; }
    bool Rewind() override
    {
        m_nPos = 0;
        return true;
    }

    const std::string& GetData() const { return m_data; }
    std::string Detach();
    void SeekToBegin() { m_nPos = 0; }

private:
    std::string_view Bytes() const
    {
        return m_pView != nullptr ? std::string_view(m_pView, m_nViewSize) : m_data;
    }

    std::string m_data;
    const char* m_pView = nullptr; // bytes read in place, or null when the file owns m_data
    std::size_t m_nViewSize = 0;
    std::size_t m_nGrowBytes;
    std::size_t m_nPos = 0;
};
