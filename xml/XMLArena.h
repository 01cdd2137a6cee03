// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Storage of one element tree: raw room for elements, interned names, and text blocks. Nothing
// is freed before the arena itself, so a tree costs a few large allocations instead of a few
// small ones per element.
class CXMLArena
{
public:
    CXMLArena() = default;
    CXMLArena(const CXMLArena&) = delete;
    CXMLArena& operator=(const CXMLArena&) = delete;

    // Room for one object; every object of the arena must share one alignment, nAlign, no
    // stricter than that of std::max_align_t.
    void* AllocateObject(std::size_t nBytes, std::size_t nAlign);
    // The one copy of a name shared by every element that bears it.
    const std::string* Intern(std::string_view name);
    // Extends the text block [pBlock, pBlock + nOld) by nMore bytes, in place when it is the
    // last block handed out and room is left, else by moving it; returns where it now starts.
    char* GrowText(char* pBlock, std::size_t nOld, std::size_t nMore);

private:
    struct Chunk
    {
        std::unique_ptr<std::byte[]> pBytes;
        std::byte* pTop = nullptr;
        std::byte* pEnd = nullptr;
    };
    static std::byte* Take(Chunk& chunk, std::size_t nBytes);
    void NewChunk(Chunk& chunk, std::size_t& nNextSize, std::size_t nAtLeast);

    Chunk m_objects;
    Chunk m_text;
    std::size_t m_nNextObjectChunk = 4096;
    std::size_t m_nNextTextChunk = 1024;
    std::vector<std::unique_ptr<std::byte[]>> m_retired;
    std::deque<std::string> m_names;
    std::unordered_map<std::string_view, const std::string*> m_nameIndex;
    const std::string* m_pLastName = nullptr;
};
