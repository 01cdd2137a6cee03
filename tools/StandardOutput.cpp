// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/StandardOutput.h"

#include "framework/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

std::size_t CStandardOutput::Read(void*, std::size_t)
{
    throw std::logic_error("standard output cannot be read");
}

void CStandardOutput::Write(const void* pBuf, std::size_t nCount)
{
    if (!WriteAll(STDOUT_FILENO, pBuf, nCount))
        throw CFileException(std::string("Cannot write to standard output:\n") +
                             std::strerror(errno) + ".");
}

Status WriteOutput(const std::string& path, const std::function<Status(CFile&)>& write)
{
    if (path != kStandardOutputName)
        return WriteAtomically(path, write);
    CStandardOutput out;
    return write(out);
}
