// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QPoint;
class QRect;

// Scrolls a view while something is dragged near its top or bottom edge: after a short
// delay, one line per interval, for as long as the pointer stays in the edge band and the
// view can still scroll that way. Nothing else repeats drag events while the pointer rests.
class CDragScroller : public QObject
{
    Q_OBJECT

public:
    static constexpr int kInset = 11;
    static constexpr int kDelayMs = 50;
    static constexpr int kIntervalMs = 50;

    // Vertical scroll requests, as the view's scroll handler knows them.
    static constexpr int kLineUp = 0;
    static constexpr int kLineDown = 1;

    // Asked with bDoScroll false whether the request is possible, with true to carry it out;
    // returns whether it is (was) possible.
    using ScrollFunction = std::function<bool(int nRequest, bool bDoScroll)>;

    CDragScroller(ScrollFunction scroll, QObject* pParent = nullptr);

    // The dragged pointer is at point in a client area rcClient.
    void Track(const QPoint& point, const QRect& rcClient);
    void Stop();

private:
    void OnTimer();

    ScrollFunction m_scroll;
    QTimer m_timer;
    int m_nRequest = -1;
};
