// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/FrameClock.h"

#include <QCoreApplication>
#include <QPointer>

CFrameClock& CFrameClock::Instance()
{
    // Owned by the application, so its timer ends with the event loop it runs in.
    static QPointer<CFrameClock> pClock;
    if (pClock == nullptr)
        pClock = new CFrameClock(QCoreApplication::instance());
    return *pClock;
}

CFrameClock::CFrameClock(QObject* pParent) : QObject(pParent)
{
    m_timer.setInterval(1000 / kFramesPerSecond);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CFrameClock::Tick);
}

void CFrameClock::Request()
{
    m_bRequested = true;
    if (!m_timer.isActive())
        m_timer.start();
}

void CFrameClock::Tick()
{
    // A frame nobody asked for ends the run: an idle editor has no timer.
    if (!m_bRequested)
    {
        m_timer.stop();
        return;
    }
    m_bRequested = false;
    emit FrameDue();
    emit Frame();
}
