// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// A key of a MIDI keyboard going down or up, with the MIDI channel (0–15) it came on.
struct MidiKeyEvent
{
    bool bDown = false;
    std::uint8_t key = 0;
    std::uint8_t velocity = 0;
    std::uint8_t channel = 0;
};

// Key events from one MIDI callback thread to one reader, without locks or allocation: the
// writer never waits (a full ring drops the event) and wakes the reader through a descriptor
// it may watch (an eventfd; -1 for none).
class CMidiNoteQueue
{
public:
    static constexpr unsigned kCapacity = 256;

    explicit CMidiNoteQueue(int wakeFd = -1) : m_wakeFd(wakeFd) {}
    CMidiNoteQueue(const CMidiNoteQueue&) = delete;
    CMidiNoteQueue& operator=(const CMidiNoteQueue&) = delete;

    // Writer side; false when the ring was full.
    bool Push(const MidiKeyEvent& event) noexcept;
    // Reader side; false when nothing is waiting.
    bool Pop(MidiKeyEvent& event) noexcept;

private:
    std::array<MidiKeyEvent, kCapacity> m_ring{};
    std::atomic<unsigned> m_nWritten{0};
    std::atomic<unsigned> m_nRead{0};
    int m_wakeFd;
};
