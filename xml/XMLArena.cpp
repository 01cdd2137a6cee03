// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XMLArena.h"

#include <algorithm>
#include <cstring>

namespace
{
// Chunks stop doubling here: large enough to make allocations rare, small enough that the
// unused end of the last one does not matter.
constexpr std::size_t kMaxChunkBytes = std::size_t{1} << 20;
} // namespace

std::byte* CXMLArena::Take(Chunk& chunk, std::size_t nBytes)
{
    if (chunk.pTop == nullptr || static_cast<std::size_t>(chunk.pEnd - chunk.pTop) < nBytes)
        return nullptr;
    std::byte* p = chunk.pTop;
    chunk.pTop += nBytes;
    return p;
}

void CXMLArena::NewChunk(Chunk& chunk, std::size_t& nNextSize, std::size_t nAtLeast)
{
    const std::size_t nSize = std::max(nNextSize, nAtLeast);
    nNextSize = std::min(nNextSize * 2, kMaxChunkBytes);
    if (chunk.pBytes)
        m_retired.push_back(std::move(chunk.pBytes));
    // Not value-initialised: the room is written before it is read.
    chunk.pBytes.reset(new std::byte[nSize]);
    chunk.pTop = chunk.pBytes.get();
    chunk.pEnd = chunk.pTop + nSize;
}

void* CXMLArena::AllocateObject(std::size_t nBytes, std::size_t nAlign)
{
    // Chunks start at the strictest alignment new gives; sizes are rounded to nAlign.
    nBytes = (nBytes + nAlign - 1) / nAlign * nAlign;
    if (std::byte* p = Take(m_objects, nBytes))
        return p;
    NewChunk(m_objects, m_nNextObjectChunk, nBytes);
    return Take(m_objects, nBytes);
}

const std::string* CXMLArena::Intern(std::string_view name)
{
    // Siblings mostly share a name: the last one answers most calls without hashing.
    if (m_pLastName != nullptr && *m_pLastName == name)
        return m_pLastName;
    const auto found = m_nameIndex.find(name);
    if (found != m_nameIndex.end())
        return m_pLastName = found->second;
    const std::string& stored = m_names.emplace_back(name);
    m_nameIndex.emplace(stored, &stored);
    return m_pLastName = &stored;
}

char* CXMLArena::GrowText(char* pBlock, std::size_t nOld, std::size_t nMore)
{
    auto* pEndOfBlock = reinterpret_cast<std::byte*>(pBlock) + nOld;
    if (pBlock != nullptr && pEndOfBlock == m_text.pTop && Take(m_text, nMore) != nullptr)
        return pBlock;
    const std::size_t nNew = nOld + nMore;
    std::byte* p = Take(m_text, nNew);
    if (p == nullptr)
    {
        // Twice the need, so that a block growing one record at a time moves only now and then.
        NewChunk(m_text, m_nNextTextChunk, 2 * nNew);
        p = Take(m_text, nNew);
    }
    if (nOld > 0)
        std::memcpy(p, pBlock, nOld);
    return reinterpret_cast<char*>(p);
}
