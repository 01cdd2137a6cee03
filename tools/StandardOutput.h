// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/File.h"

#include <functional>
#include <string>

// An output named "-" is the program's standard output, for a pipe: the export streams there
// as it is made, so a failure part way leaves what was written.
inline constexpr const char* kStandardOutputName = "-";

// Standard output as a stream to write; a write that fails throws CFileException.
class CStandardOutput : public CFile
{
public:
    std::size_t Read(void* pBuf, std::size_t nCount) override;
    void Write(const void* pBuf, std::size_t nCount) override;
    std::uint64_t GetRemaining() const override { return 0; }
};

// What write puts out, to path, whole or not at all, or to standard output for "-".
Status WriteOutput(const std::string& path, const std::function<Status(CFile&)>& write);
