// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/DragScroller.h"

#include <QPoint>
#include <QRect>

CDragScroller::CDragScroller(ScrollFunction scroll, QObject* pParent)
    : QObject(pParent), m_scroll(std::move(scroll))
{
    connect(&m_timer, &QTimer::timeout, this, &CDragScroller::OnTimer);
}

void CDragScroller::Track(const QPoint& point, const QRect& rcClient)
{
    int nRequest = -1;
    if (rcClient.contains(point))
    {
        if (point.y() < rcClient.top() + kInset)
            nRequest = kLineUp;
        else if (point.y() > rcClient.bottom() - kInset)
            nRequest = kLineDown;
    }
    if (nRequest < 0 || !m_scroll(nRequest, false))
    {
        Stop();
        return;
    }
    if (nRequest == m_nRequest && m_timer.isActive())
        return;
    m_nRequest = nRequest;
    m_timer.start(kDelayMs);
}

void CDragScroller::Stop()
{
    m_timer.stop();
    m_nRequest = -1;
}

void CDragScroller::OnTimer()
{
    if (m_nRequest < 0 || !m_scroll(m_nRequest, true))
    {
        Stop();
        return;
    }
    m_timer.setInterval(kIntervalMs);
}
