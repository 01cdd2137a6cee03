// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SequenceMap.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace
{
bool KeyBelow(const CSequenceMap::value_type& entry, CSequenceMap::key_type pos)
{
    return entry.first < pos;
}
} // namespace

CSequenceMap::const_iterator CSequenceMap::lower_bound(key_type pos) const
{
    return std::lower_bound(m_entries.begin(), m_entries.end(), pos, KeyBelow);
}

CSequenceMap::const_iterator CSequenceMap::upper_bound(key_type pos) const
{
    return std::upper_bound(m_entries.begin(), m_entries.end(), pos,
                            [](key_type key, const value_type& entry)
                            { return key < entry.first; });
}

CSequenceMap::const_iterator CSequenceMap::find(key_type pos) const
{
    const auto it = lower_bound(pos);
    return it != end() && it->first == pos ? it : end();
}

CSequenceMap::mapped_type CSequenceMap::at(key_type pos) const
{
    const auto it = find(pos);
    if (it == end())
        throw std::out_of_range("no placement at " + std::to_string(pos));
    return it->second;
}

std::vector<CSequenceMap::value_type>::iterator CSequenceMap::LowerBound(key_type pos)
{
    if (m_entries.empty() || m_entries.back().first < pos)
        return m_entries.end();
    return std::lower_bound(m_entries.begin(), m_entries.end(), pos, KeyBelow);
}

CSequenceMap::mapped_type& CSequenceMap::operator[](key_type pos)
{
    auto it = LowerBound(pos);
    if (it == m_entries.end() || it->first != pos)
        it = m_entries.insert(it, {pos, nullptr});
    return it->second;
}

void CSequenceMap::insert_or_assign(key_type pos, mapped_type pPattern)
{
    (*this)[pos] = pPattern;
}

std::pair<CSequenceMap::const_iterator, bool> CSequenceMap::emplace(key_type pos,
                                                                    mapped_type pPattern)
{
    auto it = LowerBound(pos);
    if (it != m_entries.end() && it->first == pos)
        return {it, false};
    return {m_entries.insert(it, {pos, pPattern}), true};
}

std::size_t CSequenceMap::erase(key_type pos)
{
    const auto it = find(pos);
    if (it == end())
        return 0;
    m_entries.erase(it);
    return 1;
}

CSequenceMap::const_iterator CSequenceMap::erase(const_iterator it)
{
    return m_entries.erase(it);
}

void CSequenceMap::Merge(const std::vector<value_type>& entries)
{
    std::vector<value_type> merged;
    merged.reserve(m_entries.size() + entries.size());
    auto old = m_entries.cbegin();
    for (const value_type& entry : entries)
    {
        for (; old != m_entries.cend() && old->first < entry.first; ++old)
            merged.push_back(*old);
        if (old != m_entries.cend() && old->first == entry.first)
            ++old;
        merged.push_back(entry);
    }
    merged.insert(merged.end(), old, m_entries.cend());
    m_entries = std::move(merged);
}
