// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/LiveRecorder.h"

#include "framework/SteadyClock.h"
#include "session/NoteEditSteps.h"
#include "session/SoundSession.h"
#include "sound/GameTempo.h"
#include "sound/LiveTake.h"

CLiveRecorder::CLiveRecorder(CSoundSession& session)
    : m_session(session), m_clock(SteadyClockSeconds)
{
    connect(&session, &CSoundSession::PlayPositionMoved, this, &CLiveRecorder::OnRowPlayed);
    connect(&session, &CSoundSession::TransportChanged, this, &CLiveRecorder::OnTransportChanged);
}

CLiveRecorder::~CLiveRecorder() = default;

void CLiveRecorder::Start(std::int32_t roundTo)
{
    if (m_pTake != nullptr || !m_session.IsPlaying() || m_session.IsPaused())
        return;
    const CGameTempo tempo(*m_session.GetDocument());
    // Before the playback's first report its first row has not been heard to its end yet.
    m_pTake =
        std::make_unique<CLiveTake>(m_session.GetPlayRow(), m_bReported ? m_lastReport : m_clock(),
                                    m_bReported, tempo.TicksPerRow(), roundTo);
    emit RecordingChanged(true);
}

void CLiveRecorder::End()
{
    if (m_pTake == nullptr)
        return;
    const std::unique_ptr<CLiveTake> pTake = std::move(m_pTake);
    CSoundDoc& doc = *m_session.GetDocument();
    const int instrument = m_session.GetCurrentInstrument();
    const bool bHasInstrument = doc.FindInstrument(instrument) != nullptr;
    const NoteEdit edit =
        pTake->Finish(doc, m_clock(), static_cast<std::uint8_t>(bHasInstrument ? instrument : 0));
    SoundEdits::EditNotes(m_session, EditorPosition{}, QStringLiteral("Recording"), edit);
    emit RecordingChanged(false);
}

void CLiveRecorder::NoteOn(int key, int velocity, int midiChannel)
{
    if (m_pTake != nullptr)
        m_pTake->NoteOn(key, velocity, midiChannel, m_clock());
}

void CLiveRecorder::NoteOff(int key, int midiChannel)
{
    if (m_pTake != nullptr)
        m_pTake->NoteOff(key, midiChannel, m_clock());
}

void CLiveRecorder::OnRowPlayed()
{
    m_bReported = true;
    // Reports reach this thread a frame at a time; the play thread's stamp is when it was heard.
    const std::optional<double> heardAt = m_session.GetPlayRowHeardAt();
    m_lastReport = heardAt ? *heardAt : m_clock();
    if (m_pTake != nullptr)
        m_pTake->OnRowHeard(m_session.GetPlayRow(), m_lastReport);
}

void CLiveRecorder::OnTransportChanged()
{
    m_bReported = false;
    End();
}
