// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SoundPlayThread.h"
#include "session/SoundSession.h"

#include <QApplication>
#include <QPointer>

// Hands the play thread's row reports to the editor's thread. A report is counted only if
// the session still exists (so its document does too) and its playback is still the current
// one.
class CSessionRowSink : public ISoundRowSink
{
public:
    CSessionRowSink(CSoundPlayThread* pThread, CSoundSession* pSession)
        : m_pThread(pThread), m_pSession(pSession)
    {
    }

    bool IsFor(const CSoundSession* pSession) const { return m_pSession == pSession; }

    void PostRowPlayed(std::int32_t row, std::uint32_t nGeneration) override
    {
        // Queued on the application object: the session may end on its own thread at any
        // moment, so it is looked at only there.
        QMetaObject::invokeMethod(
            qApp,
            [pThread = m_pThread, pSession = m_pSession, row, nGeneration]
            {
                if (pSession == nullptr || !pThread->IsCurrentPlayback(nGeneration))
                    return;
                pSession->OnRowPlayed(row);
            },
            Qt::QueuedConnection);
    }

    // Play is no longer lit for a playback that never started.
    void PostPlaybackFailed(std::uint32_t nGeneration) override
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

private:
    CSoundPlayThread* m_pThread;
    QPointer<CSoundSession> m_pSession;
};
