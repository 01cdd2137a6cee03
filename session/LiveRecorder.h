// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class CLiveTake;
class CSoundSession;

// Live recording into one open document: notes played while it plays are stamped with the
// row heard (the last row report and the time since) and land, when the take ends, as one
// undo step. Any change of the transport (Stop, Pause, another Play) ends the take.
class CLiveRecorder : public QObject
{
    Q_OBJECT

public:
    // Seconds of a monotonic clock.
    using Clock = std::function<double()>;

    explicit CLiveRecorder(CSoundSession& session);
    ~CLiveRecorder() override;

    // Tests hold time in their hands.
    void SetClock(Clock clock) { m_clock = std::move(clock); }
    bool IsRecording() const { return m_pTake != nullptr; }
    // While the document plays: a take starts at the row heard. roundTo: the rows a note's
    // start and end are rounded to.
    void Start(std::int32_t roundTo);
    void End();

    // key 0-127, midiChannel 0-15 (9 for the drum keys). Ignored outside a take.
    void NoteOn(int key, int velocity, int midiChannel);
    void NoteOff(int key, int midiChannel);

signals:
    void RecordingChanged(bool bRecording);

private:
    void OnRowPlayed();
    void OnTransportChanged();

    CSoundSession& m_session;
    Clock m_clock;
    std::unique_ptr<CLiveTake> m_pTake;
    // The time of the playback's last row report, once it has made one.
    bool m_bReported = false;
    double m_lastReport = 0;
};
