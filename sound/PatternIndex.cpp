// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/PatternIndex.h"

#include "sound/SoundPattern.h"

void CPatternIndex::Add(int channel, CSoundPattern* pPattern)
{
    m_byId[pPattern->GetId()] = pPattern;
    m_channels[pPattern] = channel;
}

void CPatternIndex::Remove(const CSoundPattern* pPattern)
{
    if (m_channels.erase(pPattern) != 0)
        m_byId.erase(pPattern->GetId());
}

void CPatternIndex::Clear()
{
    m_byId.clear();
    m_channels.clear();
}

CSoundPattern* CPatternIndex::Find(std::uint32_t id) const
{
    const auto it = m_byId.find(id);
    return it != m_byId.end() ? it->second : nullptr;
}

int CPatternIndex::ChannelOf(const CSoundPattern* pPattern) const
{
    const auto it = m_channels.find(pPattern);
    return it != m_channels.end() ? it->second : -1;
}
