// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <unordered_map>
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
    std::vector<CSoundPattern*> m_byId; // ids are handed out in order, from 1

    std::unordered_map<const CSoundPattern*, int> m_channels;
};
