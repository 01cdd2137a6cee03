// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/PatternIndex.h"

#include "sound/SoundPattern.h"

#include <algorithm>

void CPatternIndex::Add(int channel, CSoundPattern* pPattern)
{
    const std::uint32_t id = pPattern->GetId();
    if (id >= m_byId.size())
        m_byId.resize(std::max<std::size_t>(id + 1, 2 * m_byId.size()), nullptr);
    m_byId[id] = pPattern;
    m_channels[pPattern] = channel;
}

void CPatternIndex::Remove(const CSoundPattern* pPattern)
{
    if (m_channels.erase(pPattern) != 0)
        m_byId[pPattern->GetId()] = nullptr;
}

void CPatternIndex::Clear()
{
    std::fill(m_byId.begin(), m_byId.end(), nullptr);
    m_channels.clear();
}

CSoundPattern* CPatternIndex::Find(std::uint32_t id) const
{
    return id < m_byId.size() ? m_byId[id] : nullptr;
}

int CPatternIndex::ChannelOf(const CSoundPattern* pPattern) const
{
    const auto it = m_channels.find(pPattern);
    return it != m_channels.end() ? it->second : -1;
}
