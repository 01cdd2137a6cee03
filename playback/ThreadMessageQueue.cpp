// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/ThreadMessageQueue.h"

#include <cerrno>
#include <ctime>

CThreadMessageQueue::CThreadMessageQueue()
{
    ::sem_init(&m_wake, 0, 0);
}

CThreadMessageQueue::~CThreadMessageQueue()
{
    ::sem_destroy(&m_wake);
}

bool CThreadMessageQueue::Post(const PlayMessage& message, std::uint64_t* pSerial)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed)
            return false;
        m_messages.push_back(
            {message, ++m_nLastSerial, m_nSignals.load(std::memory_order_acquire)});
        if (pSerial != nullptr)
            *pSerial = m_nLastSerial;
    }
    ::sem_post(&m_wake);
    return true;
}

void CThreadMessageQueue::SignalEvent() noexcept
{
    m_nSignals.fetch_add(1, std::memory_order_release);
    ::sem_post(&m_wake);
}

void CThreadMessageQueue::ResetEvent() noexcept
{
    m_nTaken = m_nSignals.load(std::memory_order_acquire);
}

CThreadMessageQueue::Woken CThreadMessageQueue::GetNext(
    ThreadMessage& msg, std::optional<std::chrono::steady_clock::time_point> deadline)
{
    for (;;)
    {
        const std::uint64_t nSignals = m_nSignals.load(std::memory_order_acquire);
        {
            std::lock_guard lock(m_mutex);
            if (!m_messages.empty() &&
                (m_messages.front().nSignalsBefore <= m_nTaken || nSignals == m_nTaken))
            {
                msg = m_messages.front();
                m_messages.pop_front();
                return Woken::Message;
            }
        }
        if (nSignals > m_nTaken)
        {
            ++m_nTaken;
            return Woken::Event;
        }
        // Every signal and post raises the semaphore after making its item visible, so
        // nothing slips between the checks above and this wait; surplus counts only cost
        // another pass.
        if (!deadline)
        {
            while (::sem_wait(&m_wake) != 0 && errno == EINTR)
            {
            }
            continue;
        }
        // The steady clock is CLOCK_MONOTONIC.
        const auto since = deadline->time_since_epoch();
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
        timespec until{};
        until.tv_sec = static_cast<time_t>(seconds.count());
        until.tv_nsec = static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
        int result = 0;
        while ((result = ::sem_clockwait(&m_wake, CLOCK_MONOTONIC, &until)) != 0 && errno == EINTR)
        {
        }
        if (result != 0)
            return Woken::Timeout;
    }
}

void CThreadMessageQueue::MarkHandled(std::uint64_t nSerial)
{
    {
        std::lock_guard lock(m_mutex);
        if (nSerial > m_nHandled)
            m_nHandled = nSerial;
    }
    m_handledChanged.notify_all();
}

bool CThreadMessageQueue::WaitHandled(std::uint64_t nSerial)
{
    std::unique_lock lock(m_mutex);
    m_handledChanged.wait(lock, [&] { return m_nHandled >= nSerial || m_bClosed; });
    return m_nHandled >= nSerial;
}

void CThreadMessageQueue::Close()
{
    {
        std::lock_guard lock(m_mutex);
        m_bClosed = true;
        m_messages.clear();
    }
    m_handledChanged.notify_all();
}
