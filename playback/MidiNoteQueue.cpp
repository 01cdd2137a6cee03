// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/MidiNoteQueue.h"

#include <unistd.h>

bool CMidiNoteQueue::Push(const MidiKeyEvent& event) noexcept
{
    const unsigned nWritten = m_nWritten.load(std::memory_order_relaxed);
    if (nWritten - m_nRead.load(std::memory_order_acquire) >= kCapacity)
        return false;
    m_ring[nWritten % kCapacity] = event;
    m_nWritten.store(nWritten + 1, std::memory_order_release);
    if (m_wakeFd >= 0)
    {
        const std::uint64_t one = 1;
        // Non-blocking: a counter already at its limit is awake anyway.
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
    return true;
}

bool CMidiNoteQueue::Pop(MidiKeyEvent& event) noexcept
{
    const unsigned nRead = m_nRead.load(std::memory_order_relaxed);
    if (nRead == m_nWritten.load(std::memory_order_acquire))
        return false;
    event = m_ring[nRead % kCapacity];
    m_nRead.store(nRead + 1, std::memory_order_release);
    return true;
}
