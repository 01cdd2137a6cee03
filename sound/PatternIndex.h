// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CSoundPattern;

// The document's patterns by id and by address, kept beside the channels' lists: an import
// looks a pattern up for every block it writes, and a scan of the lists made that quadratic.
class CPatternIndex
{
public:
    void Add(int channel, CSoundPattern* pPattern);
    // The pattern must still be alive: its id is read.
    void Remove(const CSoundPattern* pPattern);
    void Clear();

    CSoundPattern* Find(std::uint32_t id) const;
    // -1 for a pattern that is not in the document. The address alone is looked at, so a
    // pattern already freed is safe to ask about.
    int ChannelOf(const CSoundPattern* pPattern) const;

private:
    // Addresses in open addressing, so that a document of many patterns costs no allocation
    // for each: a removed pattern keeps its slot with channel -1, so that probing passes it.
    struct Slot
    {
        const CSoundPattern* pPattern = nullptr;
        int channel = -1;
    };
    // The slot holding the address, or the empty one where it would go.
    std::size_t SlotOf(const CSoundPattern* pPattern) const;
    void Grow();

    std::vector<CSoundPattern*> m_byId; // ids are handed out in order, from 1
    std::vector<Slot> m_slots;          // a power of two, at most half of them taken
    std::size_t m_nTaken = 0;           // slots with an address, removed ones included
};
