// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/RowSequencer.h"

#include "sound/GameTempo.h"

namespace
{
bool IsLivePattern(const CSoundDoc& doc, const CSoundPattern* pPattern)
{
    return doc.FindPatternChannel(pPattern) >= 0;
}
} // namespace

void CRowQueue::Reset(unsigned nCapacity)
{
    m_entries.assign(nCapacity, RowEntry{});
    m_nHead = 0;
    m_nCount = 0;
}

void CRowQueue::Append(RowEntry entry)
{
    const unsigned capacity = static_cast<unsigned>(m_entries.size());
    if (capacity == 0)
        return;
    if (m_nCount == capacity)
    {
        m_entries[m_nHead] = entry;
        m_nHead = (m_nHead + 1) % capacity;
        return;
    }
    m_entries[(m_nHead + m_nCount) % capacity] = entry;
    ++m_nCount;
}

void CRowSequencer::Start(std::int32_t pos)
{
    for (int c = 0; c < kChannelCount; ++c)
    {
        m_queue[c].Reset(kQueueLength);
        m_pattern[c] = nullptr;
        m_patternStart[c] = 0;
        m_attenuation[c] = 0;
    }
    m_pos = pos;
    m_bCarryIn = false;
}

void CRowSequencer::StartFrom(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos)
{
    const bool bInRange = pos > range.start && pos < range.end;
    Start(bInRange ? range.start : pos);
    m_heldNote.fill(RowEntry{NOTE_OFF, 0});
    // The rows before pos are sequenced but never rendered.
    while (m_pos != pos)
    {
        SequenceRow(doc, range);
        for (int c = 0; c < kChannelCount; ++c)
        {
            const RowEntry& last = m_queue[c][m_queue[c].GetCount() - 1];
            if (last.note != NOTE_EMPTY)
                m_heldNote[c] = last;
        }
    }
    m_bCarryIn = bInRange;
}

void CRowSequencer::Prime(const CSoundDoc& doc, const PlayRange& range)
{
    for (unsigned i = 0; i + 1 < kQueueLength; ++i)
        SequenceRow(doc, range);
}

void CRowSequencer::SequenceRow(const CSoundDoc& doc, const PlayRange& range)
{
    const std::int32_t pos = m_pos;
    for (int c = 0; c < kChannelCount; ++c)
    {
        if (m_queue[c].IsEmpty())
        {
            m_attenuation[c] = 0;
            m_queue[c].Append({NOTE_OFF, 0});
        }
        const auto& sequence = doc.GetSequence(c);
        if (auto it = sequence.find(pos); it != sequence.end() && it->second != nullptr)
        {
            m_pattern[c] = it->second;
            m_patternStart[c] = pos;
        }
        // A pattern deleted since the last row has ended.
        if (m_pattern[c] != nullptr && !IsLivePattern(doc, m_pattern[c]))
            m_pattern[c] = nullptr;

        RowEntry entry{NOTE_OFF, 0};
        if (m_pattern[c] != nullptr)
        {
            const std::int64_t offset = static_cast<std::int64_t>(pos) - m_patternStart[c];
            if (offset < 0 || offset >= m_pattern[c]->GetRows())
            {
                m_pattern[c] = nullptr;
            }
            else
            {
                const SoundCell cell = m_pattern[c]->GetCell(static_cast<std::int32_t>(offset));
                entry = {cell.note, 0, cell.instrument, cell.divisor};
                if (cell.atten < 16)
                    m_attenuation[c] = cell.atten;
            }
        }
        // A synth cannot continue a note it never started: the held one starts here.
        if (m_bCarryIn && entry.note == NOTE_EMPTY)
            entry = m_heldNote[c];
        entry.attenuation = static_cast<std::uint8_t>(m_attenuation[c]);
        m_queue[c].Append(entry);
    }
    m_bCarryIn = false;

    m_pos = NextPassRow(range, m_pos);
}
