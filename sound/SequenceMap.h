// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class CSoundPattern;

// A channel's placements, song position to pattern, in the order of their positions: the
// interface of a map over one sorted array. A song of thousands of placements is walked far
// more often than it is changed, and an import appends its placements in order, so a node for
// each (and a walk from node to node) would cost more than moving a few entries on an edit.
// Its entries are read-only through its iterators, so its order holds.
class CSequenceMap
{
public:
    using key_type = std::int32_t;
    using mapped_type = const CSoundPattern*;
    using value_type = std::pair<key_type, mapped_type>;
    using const_iterator = std::vector<value_type>::const_iterator;
    using iterator = const_iterator;
    using const_reverse_iterator = std::vector<value_type>::const_reverse_iterator;

    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }
    const_reverse_iterator rbegin() const { return m_entries.rbegin(); }
    const_reverse_iterator rend() const { return m_entries.rend(); }
    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    void clear() { m_entries.clear(); }

    const_iterator lower_bound(key_type pos) const;
    const_iterator upper_bound(key_type pos) const;
    const_iterator find(key_type pos) const;
    std::size_t count(key_type pos) const { return find(pos) != end() ? 1 : 0; }
    // Throws std::out_of_range for a position without a placement.
    mapped_type at(key_type pos) const;

    // The pattern at pos, a null one made there when there is none.
    mapped_type& operator[](key_type pos);
    // A placement after the last one is appended without a search.
    void insert_or_assign(key_type pos, mapped_type pPattern);
    // Leaves a placement already at pos as it is; the bool says whether it was added.
    std::pair<const_iterator, bool> emplace(key_type pos, mapped_type pPattern);
    std::size_t erase(key_type pos);
    const_iterator erase(const_iterator it);
    // Visits the entries in order, removing those the predicate takes; returns how many.
    template <typename Predicate> std::size_t EraseIf(Predicate predicate)
    {
        return std::erase_if(m_entries, predicate);
    }
    // Sets every one of entries (in order of position, each position once) at once: an entry
    // replaces a placement at its position.
    void Merge(const std::vector<value_type>& entries);

    bool operator==(const CSequenceMap&) const = default;

private:
    std::vector<value_type>::iterator LowerBound(key_type pos);

    std::vector<value_type> m_entries;
};
