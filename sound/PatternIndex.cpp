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
    if (2 * (m_nTaken + 1) > m_slots.size())
        Grow();
    Slot& slot = m_slots[SlotOf(pPattern)];
    m_nTaken += slot.pPattern == nullptr ? 1 : 0;
    slot = {pPattern, channel};
}

void CPatternIndex::Remove(const CSoundPattern* pPattern)
{
    if (m_slots.empty())
        return;
    Slot& slot = m_slots[SlotOf(pPattern)];
    if (slot.pPattern == nullptr || slot.channel < 0)
        return;
    slot.channel = -1;
    m_byId[pPattern->GetId()] = nullptr;
}

void CPatternIndex::Clear()
{
    std::fill(m_byId.begin(), m_byId.end(), nullptr);
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
    m_nTaken = 0;
}

CSoundPattern* CPatternIndex::Find(std::uint32_t id) const
{
    return id < m_byId.size() ? m_byId[id] : nullptr;
}

int CPatternIndex::ChannelOf(const CSoundPattern* pPattern) const
{
    return m_slots.empty() || pPattern == nullptr ? -1 : m_slots[SlotOf(pPattern)].channel;
}

std::size_t CPatternIndex::SlotOf(const CSoundPattern* pPattern) const
{
    // Fibonacci hashing of the address; its low bits are the allocator's alignment.
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = static_cast<std::size_t>(
        (std::uint64_t{reinterpret_cast<std::uintptr_t>(pPattern)} >> 4) * 0x9E3779B97F4A7C15u >>
        32);
    for (;; ++i)
    {
        const Slot& slot = m_slots[i & mask];
        if (slot.pPattern == pPattern || slot.pPattern == nullptr)
            return i & mask;
    }
}

void CPatternIndex::Grow()
{
    // Removed patterns are left behind, and the live ones take at most a quarter.
    std::vector<Slot> old = std::move(m_slots);
    std::size_t nLive = 0;
    for (const Slot& slot : old)
        nLive += slot.pPattern != nullptr && slot.channel >= 0 ? 1 : 0;
    std::size_t size = 64;
    while (size < 4 * (nLive + 1))
        size *= 2;
    m_slots.assign(size, Slot{});
    m_nTaken = 0;
    for (const Slot& slot : old)
        if (slot.pPattern != nullptr && slot.channel >= 0)
        {
            m_slots[SlotOf(slot.pPattern)] = slot;
            ++m_nTaken;
        }
}
