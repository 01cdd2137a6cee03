#pragma once

#include "framework/File.h"

#include <string>

// A growable file in memory.
class CMemFile : public CFile
{
public:
    explicit CMemFile(std::size_t nGrowBytes = 1024);
    // A file reading from (or appending to) a copy of the given bytes.
    CMemFile(const void* pData, std::size_t nCount);

    std::size_t Read(void* pBuf, std::size_t nCount) override;
    void Write(const void* pBuf, std::size_t nCount) override;
    std::uint64_t GetRemaining() const override { return m_data.size() - m_nPos; }

    std::size_t GetLength() const { return m_data.size(); }
    const std::string& GetData() const { return m_data; }
    std::string Detach();
    void SeekToBegin() { m_nPos = 0; }

private:
    std::string m_data;
    std::size_t m_nGrowBytes;
    std::size_t m_nPos = 0;
};
