// SPDX-License-Identifier: GPL-3.0-or-later
// CSoundPatternView's MIDI keys: step entry of single notes and of chords.
#include "views/SoundPatternView.h"

#include "session/NoteEditSteps.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/NoteEdits.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/NoteKeyboard.h"

#include <QApplication>

#include <algorithm>

void CSoundPatternView::OnMidiKeyDown(int key, std::uint8_t atten)
{
    CSoundSession& session = GetSession();
    CSoundPattern* pPattern = session.GetCurrentPattern();
    if (pPattern == nullptr || pPattern->GetRows() == 0 || !ClampCursor())
        return;
    const int nVoice = GetDocument()->FindPatternChannel(pPattern);
    if (nVoice == kNoiseChannel)
        return;
    if (key >= NOTE_OFF)
    {
        QApplication::beep();
        SetIdleMessage(IDS_PROMPT_NOTE);
        return;
    }
    const CMidiChord::Key struck{key, atten};
    if (m_chord.IsDown())
    {
        if (m_chord.Join(struck))
            WriteChord();
        return;
    }
    m_chord.Begin(CursorSongRow(), nVoice, struck);
    EnterMidiNote(struck);
}

void CSoundPatternView::OnMidiKeyUp(int key)
{
    m_chord.Release(key);
}

void CSoundPatternView::EnterMidiNote(const CMidiChord::Key& struck)
{
    CSoundSession& session = GetSession();
    CSoundPattern* pPattern = session.GetCurrentPattern();
    const PatternCursor cursor = session.GetPatternCursor();
    SoundCell cell = pPattern->GetCell(cursor.row);
    cell.SetNote(static_cast<std::uint8_t>(struck.key));
    cell.instrument = static_cast<std::uint8_t>(session.GetCurrentInstrument());
    if (struck.atten != ATTEN_EMPTY)
        cell.atten = struck.atten;
    SoundEdits::SetCells(session, CurrentPosition(), tr("MIDI Key"), pPattern->GetId(),
                         cursor.row, {cell}, SoundEdits::kMergeNone, 0);
    const int nStep = CNoteKeyboard::Instance().GetEditStep();
    session.SetPatternCursor(
        {cursor.field, std::min(cursor.row + nStep, pPattern->GetRows() - 1)});
    SetIdleMessage(IDS_PROMPT_NOTE);
    EnsureCursorVisible();
}

std::int32_t CSoundPatternView::CursorSongRow() const
{
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    const int nChannel = GetDocument()->FindPatternChannel(pPattern);
    const std::int32_t row = GetSession().GetPatternCursor().row;
    const CSoundDoc::Placements placements = GetDocument()->GetPlacements(nChannel);
    // Of the places the pattern plays that row, the one the sequence cursor is in, else the
    // first.
    const std::int64_t sequencePos =
        std::int64_t{GetSession().GetSequenceCursor().step} * GetDocument()->GetStepSize();
    std::int32_t found = -1;
    for (auto it = placements.begin(); it != placements.end(); ++it)
    {
        if (it->second != pPattern->GetId())
            continue;
        const auto next = std::next(it);
        std::int64_t end = std::int64_t{it->first} + pPattern->GetRows();
        if (next != placements.end())
            end = std::min<std::int64_t>(end, next->first);
        const std::int64_t pos = std::int64_t{it->first} + row;
        if (pos >= end)
            continue;
        if (found < 0 || (sequencePos >= it->first && sequencePos < end))
            found = static_cast<std::int32_t>(pos);
    }
    return found;
}

void CSoundPatternView::WriteChord()
{
    CSoundSession& session = GetSession();
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    for (const CMidiChord::Voiced& voiced : m_chord.Voicing())
    {
        NoteSpec note;
        note.note = static_cast<std::uint8_t>(voiced.key.key);
        note.atten = voiced.key.atten;
        note.instrument = static_cast<std::uint8_t>(session.GetCurrentInstrument());
        editor.PutNote(voiced.voice, m_chord.GetPos(), note);
    }
    SoundEdits::EditNotes(session, CurrentPosition(), tr("MIDI Chord"), editor.Finish());
}
