// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/PlayMessages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include <semaphore.h>

struct ThreadMessage
{
    PlayMessage message;
    std::uint64_t nSerial = 0;
    std::uint64_t nSignalsBefore = 0; // event signals counted when it was posted
};

// A thread's message queue together with its event: the owner waits on both at once.
// The event may be signalled from an audio callback, which must not take the queue's
// mutex, so the single thing waited on is a semaphore that posts and signals both raise.
// Signals are counted rather than merged, so a thread that falls behind catches up, and
// signals and messages are taken in the order they came, so neither can starve the other.
class CThreadMessageQueue
{
public:
    CThreadMessageQueue();
    ~CThreadMessageQueue();
    CThreadMessageQueue(const CThreadMessageQueue&) = delete;
    CThreadMessageQueue& operator=(const CThreadMessageQueue&) = delete;

    // False when the queue no longer takes messages (its thread has ended or is ending).
    bool Post(const PlayMessage& message, std::uint64_t* pSerial = nullptr);
    // Lock-free and allocation-free.
    void SignalEvent() noexcept;
    // Forgets signals not yet taken.
    void ResetEvent() noexcept;

    enum class Woken
    {
        Message, // msg holds it
        Event,
        Timeout,
    };
    // Blocks until the event is signalled or a message is waiting, whichever came first, or
    // until the deadline has passed (never without one).
    Woken GetNext(ThreadMessage& msg,
                  std::optional<std::chrono::steady_clock::time_point> deadline = {});
    // The owner has finished with the message of that serial.
    void MarkHandled(std::uint64_t nSerial);
    // Blocks until the message of that serial has been handled or the queue has closed;
    // true when it was handled.
    bool WaitHandled(std::uint64_t nSerial);
    // Refuses further posts, drops what is waiting and releases every waiter.
    void Close();

private:
    sem_t m_wake;
    std::atomic<std::uint64_t> m_nSignals{0}; // ever signalled
    std::uint64_t m_nTaken = 0;               // signals taken or reset; the owner's
    std::mutex m_mutex;
    std::condition_variable m_handledChanged;
    std::deque<ThreadMessage> m_messages;
    std::uint64_t m_nLastSerial = 0;
    std::uint64_t m_nHandled = 0;
    bool m_bClosed = false;
};
