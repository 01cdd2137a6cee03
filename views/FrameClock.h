// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

// The pace of every moving picture: the play markers and the scopes of all windows take their
// frames from this one timer, so a frame is one repaint and one flush to the display however
// many of them moved. It runs only while frames are asked for.
class CFrameClock : public QObject
{
    Q_OBJECT
public:
    // Plenty for a trace or a marker (a television's pace). Each frame costs the window a
    // repaint, a round trip to the X server and a flush, most of what it spends while a song
    // plays: at 30 a second its thread took about a quarter more.
    static constexpr int kFramesPerSecond = 25;

    // The application's clock; made with the first use.
    static CFrameClock& Instance();

    // The next frame is wanted. Those who still move ask again at each frame.
    void Request();
    // A frame is due within a frame's time: a picture moved now waits for it.
    bool IsRunning() const { return m_timer.isActive(); }
    // The frame asked for, at once: for callers that drive time themselves (a virtual output).
    void FrameNow() { Tick(); }

signals:
    // First at each frame: news that moves a picture (the rows heard) is taken in, so that
    // the frame that follows shows it.
    void FrameDue();
    void Frame();

private:
    explicit CFrameClock(QObject* pParent);
    void Tick();

    QTimer m_timer;
    bool m_bRequested = false;
};
