// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundDoc.h"

#include <array>
#include <cstdint>
#include <vector>

// What the sequencer records for one channel and one row; a note's instrument and exact
// divisor come with it.
struct RowEntry
{
    std::uint8_t note = 0;
    std::uint8_t attenuation = 0;
    std::uint8_t instrument = kNoInstrument;
    std::uint16_t divisor = kNoDivisor;
    bool operator==(const RowEntry&) const = default;
};

// Fixed-capacity list of row entries, oldest first; never allocates once sized.
class CRowQueue
{
public:
    void Reset(unsigned nCapacity);
    void Clear() { m_nCount = 0; }
    bool IsEmpty() const { return m_nCount == 0; }
    unsigned GetCount() const { return m_nCount; }
    // Appends, dropping the oldest entry when the queue is full.
    void Append(RowEntry entry);
    const RowEntry& operator[](unsigned i) const
    {
        return m_entries[(m_nHead + i) % m_entries.size()];
    }

private:
    std::vector<RowEntry> m_entries;
    unsigned m_nHead = 0;
    unsigned m_nCount = 0;
};

using RowQueues = std::array<CRowQueue, kChannelCount>;

// Walks a document row by row through a range and turns each row into one event per channel: the note it starts (or 255 to keep the last) and the attenuation in force. The
// queues hold the previous row, the row to render and the rows sequenced ahead of it.
class CRowSequencer
{
public:
    // Entries a queue holds: the renderer reads three (previous, current and next row).
    static constexpr unsigned kQueueLength = 3;

    // Forgets every channel's pattern and queue; the next row sequenced is pos.
    void Start(std::int32_t pos);
    // Starts at pos with every channel as it would be had playback run from the range start:
    // the pattern, attenuation and held note in force there. The caller holds the guard.
    void StartFrom(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos);
    // Sequences the next row on all four channels, then moves on through the range.
    // The caller holds the document's guard.
    void SequenceRow(const CSoundDoc& doc, const PlayRange& range);
    // Sequences the rows the renderer needs before the first row can be rendered.
    void Prime(const CSoundDoc& doc, const PlayRange& range);

    const RowQueues& GetQueues() const { return m_queue; }

private:
    std::array<std::int32_t, kChannelCount> m_patternStart{};
    std::array<const CSoundPattern*, kChannelCount> m_pattern{};
    std::array<std::int32_t, kChannelCount> m_attenuation{};
    RowQueues m_queue;
    // The note each channel holds at a carried-in start, sounded afresh on its first row.
    std::array<RowEntry, kChannelCount> m_heldNote{};
    bool m_bCarryIn = false;
    std::int32_t m_pos = 0;
};
