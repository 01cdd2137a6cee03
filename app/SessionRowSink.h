// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SoundPlayThread.h"
#include "session/SoundSession.h"

#include <QObject>
#include <QPointer>

#include <mutex>
#include <vector>

// Hands the play thread's row reports to the editor's thread. A report is counted only if
// the session still exists (so its document does too) and its playback is still the current
// one.
//
// Rows come faster than the eye follows (60 a second at a tick a row), so while they keep
// coming they are taken in once a frame, every one of them with the time it was heard; the
// first after a pause in them goes at once. The editor's thread is then woken by the frame
// clock alone.
class CSessionRowSink : public QObject, public ISoundRowSink
{
public:
    CSessionRowSink(CSoundPlayThread* pThread, CSoundSession* pSession);

    bool IsFor(const CSoundSession* pSession) const { return m_pSession == pSession; }

    void PostRowPlayed(std::int32_t row, std::uint32_t nGeneration, double heardAt) override;
    // Play is no longer lit for a playback that never started.
    void PostPlaybackFailed(std::uint32_t nGeneration) override;

private:
    struct Report
    {
        std::int32_t row;
        std::uint32_t nGeneration;
        double heardAt;
    };

    // On the editor's thread: hands the reports waiting to the session and, while they keep
    // coming, looks again at the next frame.
    void TakeReports();

    CSoundPlayThread* m_pThread;
    QPointer<CSoundSession> m_pSession;
    std::mutex m_mutex; // held only to add or take reports, never while handling them
    std::vector<Report> m_waiting;
    std::vector<Report> m_spare; // the editor's thread's
    // The editor's thread will look at the waiting reports: a delivery is queued or a frame
    // is due for it.
    bool m_bLooking = false;
};
