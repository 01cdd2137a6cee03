// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/SoundSession.h"

#include "sound/VoiceMute.h"

#include <algorithm>

CSoundSession::CSoundSession(CSoundDoc* pDoc, SoundViewServices services)
    : m_pDoc(pDoc), m_services(services), m_undo(*this)
{
}

CSoundSession::~CSoundSession() = default;

CSoundPattern* CSoundSession::GetCurrentPattern() const
{
    // By id, so that a pattern removed by an edit stops being current without being told, and
    // is current again when undo puts it back.
    return m_pDoc->FindPattern(m_currentPattern);
}

void CSoundSession::SetCurrentPattern(const CSoundPattern* pPattern)
{
    const PatternId id = pPattern != nullptr ? pPattern->GetId() : 0;
    if (id == m_currentPattern)
        return;
    m_currentPattern = id;
    emit CurrentPatternChanged();
}

int CSoundSession::GetCurrentInstrument() const
{
    return m_pDoc->FindInstrument(m_nCurrentInstrument) != nullptr ? m_nCurrentInstrument
                                                                   : kNoInstrument;
}

void CSoundSession::SetCurrentInstrument(int number)
{
    if (number == m_nCurrentInstrument)
        return;
    m_nCurrentInstrument = number;
    emit CurrentInstrumentChanged(number);
}

std::int32_t CSoundSession::GetResumeRow() const
{
    const PlayRange range = m_pDoc->GetPlayRange();
    if (!m_bPlaying)
        return range.start;
    if (m_nPlayRow < range.start || m_nPlayRow > range.end)
        return std::max(range.end - 1, range.start);
    return m_nPlayRow;
}

void CSoundSession::OnPlayStarted(std::int32_t row)
{
    m_nPlayRow = row;
    m_bPlaying = true;
    m_bPaused = false;
    emit TransportChanged();
}

void CSoundSession::OnPaused()
{
    m_bPaused = true;
    emit TransportChanged();
}

void CSoundSession::OnStopped()
{
    m_bPlaying = false;
    m_bPaused = false;
    emit TransportChanged();
}

void CSoundSession::OnRowPlayed(std::int32_t row, std::optional<double> heardAt)
{
    m_nPlayRow = row;
    m_playRowHeardAt = heardAt;
    emit PlayPositionMoved();
}

void CSoundSession::SetMuteMask(unsigned muteMask)
{
    muteMask &= kAllVoicesMask;
    if (muteMask == m_muteMask)
        return;
    m_muteMask = muteMask;
    emit MuteMaskChanged(m_muteMask);
}

void CSoundSession::ToggleMute(int voice)
{
    if (voice < 0 || voice >= IChipWrites::kVoices)
        return;
    SetMuteMask(m_muteMask ^ (1u << voice));
}

void CSoundSession::Solo(int voice)
{
    if (voice < 0 || voice >= IChipWrites::kVoices)
        return;
    const unsigned others = kAllVoicesMask & ~(1u << voice);
    SetMuteMask(m_muteMask == others ? 0 : others);
}
