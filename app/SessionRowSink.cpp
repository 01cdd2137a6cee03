// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SessionRowSink.h"

#include "views/FrameClock.h"

#include <QApplication>

CSessionRowSink::CSessionRowSink(CSoundPlayThread* pThread, CSoundSession* pSession)
    : m_pThread(pThread), m_pSession(pSession)
{
    connect(&CFrameClock::Instance(), &CFrameClock::FrameDue, this, &CSessionRowSink::TakeReports);
}

void CSessionRowSink::PostRowPlayed(std::int32_t row, std::uint32_t nGeneration, double heardAt)
{
    bool bWake = false;
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back({row, nGeneration, heardAt});
        bWake = !m_bLooking;
        m_bLooking = true;
    }
    // Queued on this object, which ends on the editor's thread after the play thread.
    if (bWake)
        QMetaObject::invokeMethod(this, &CSessionRowSink::TakeReports, Qt::QueuedConnection);
}

void CSessionRowSink::TakeReports()
{
    // The spare's storage goes to the play thread, which then seldom allocates.
    std::vector<Report> taken = std::move(m_spare);
    {
        const std::lock_guard lock(m_mutex);
        taken.swap(m_waiting);
        // Nothing new within a frame: the next report wakes this thread itself.
        m_bLooking = !taken.empty();
    }
    if (taken.empty())
        return;
    CFrameClock::Instance().Request();
    for (const Report& report : taken)
    {
        // The session may end while it handles a report.
        if (m_pSession == nullptr)
            return;
        if (m_pThread->IsCurrentPlayback(report.nGeneration))
            m_pSession->OnRowPlayed(report.row, report.heardAt);
    }
    taken.clear();
    m_spare = std::move(taken);
}

void CSessionRowSink::PostPlaybackFailed(std::uint32_t nGeneration)
{
    QMetaObject::invokeMethod(
        qApp,
        [pThread = m_pThread, pSession = m_pSession, nGeneration]
        {
            if (pSession != nullptr && pThread->IsCurrentPlayback(nGeneration))
                pSession->OnStopped();
        },
        Qt::QueuedConnection);
}
