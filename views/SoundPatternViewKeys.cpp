// SPDX-License-Identifier: GPL-3.0-or-later
// CSoundPatternView's keys: cursor moves and the cells typed in.
#include "views/SoundPatternView.h"

#include "framework/TextCodec.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/AgiTone.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/EditorKeys.h"
#include "views/NoteKeyboard.h"
#include "views/PatternRows.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <mutex>

void CSoundPatternView::keyPressEvent(QKeyEvent* pEvent)
{
    if (OnBlockKey(pEvent))
    {
        pEvent->accept();
        return;
    }
    switch (pEvent->key())
    {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        ClearSelection();
        break;
    default:
        break;
    }
    // Delete is the Delete command, whether or not an accelerator got to it first.
    if (pEvent->key() == Qt::Key_Delete && pEvent->modifiers() == Qt::NoModifier)
    {
        OnEditDelete();
        return;
    }
    const QKeyCombination key = CNoteKeyboard::Instance().KeyOf(pEvent);
    if (GetSession().GetCurrentPattern() == nullptr)
        return;
    if (EditorKeys::IsEditorKey(key.key()))
        OnKeyDown(key);
    pEvent->accept();
}

void CSoundPatternView::OnKeyDown(QKeyCombination key)
{
    // A waiting attenuation digit is completed by the very next key or not at all.
    const std::optional<PendingDigit> pending = std::exchange(m_pendingDigit, std::nullopt);
    CSoundDoc* pDoc = GetDocument();
    const bool bHasRows = ClampCursor();
    const int nPage = GetPage();
    CSoundSession& session = GetSession();
    CSoundPattern* pPattern = session.GetCurrentPattern();
    PatternCursor cursor = session.GetPatternCursor();
    const int nRows = pPattern->GetRows();
    const bool bNoise = pDoc->FindPatternChannel(pPattern) == kNoiseChannel;

    switch (key.key())
    {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OnSequenceEditor();
        return;
    case Qt::Key_PageUp:
        cursor.row = cursor.row >= nPage - 1 ? cursor.row - nPage + 1 : 0;
        break;
    case Qt::Key_PageDown:
        cursor.row = cursor.row <= nRows - nPage ? cursor.row + nPage - 1 : nRows - 1;
        break;
    case Qt::Key_Left:
        cursor.field = std::max(cursor.field - 1, 0);
        break;
    case Qt::Key_Up:
        cursor.row = std::max(cursor.row - 1, 0);
        break;
    case Qt::Key_Right:
        cursor.field = std::min(cursor.field + 1, kFieldCount - 1);
        break;
    case Qt::Key_Down:
        cursor.row = std::min(cursor.row + 1, nRows - 1);
        break;
    case Qt::Key_Insert:
        if (bHasRows)
            SoundEdits::InsertRow(GetSession(), CurrentPosition(), pPattern->GetId(), cursor.row);
        break;
    case Qt::Key_End:
        cursor.row = nRows - 1;
        break;
    case Qt::Key_Home:
        cursor.row = 0;
        break;
    default:
        if (const int nStep = EditorKeys::OctaveStepOf(key); nStep != 0 && !bNoise)
            SetOctave(GetOctave() + nStep);
        break;
    }
    // Page Down on a pattern shorter than a page, or a page of 0 rows, must not leave it.
    cursor.row = std::clamp(cursor.row, 0, std::max(nRows - 1, 0));
    session.SetPatternCursor(cursor);

    EnterIntoField(key, pending);
}

CSoundPatternView::Entry CSoundPatternView::EnterTone(QKeyCombination key, int nField,
                                                      SoundCell& cell)
{
    Entry entry;
    const int nDigit = EditorKeys::DigitOf(key);
    if (nField == 0)
    {
        entry.nPrompt = IDS_PROMPT_NOTE;
        int nNote = -1;
        if (KeyToNote(key, &nNote))
        {
            cell.SetNote(static_cast<std::uint8_t>(nNote));
            // The instrument goes with the note; an off or a cleared cell has none.
            cell.instrument = static_cast<std::uint8_t>(
                nNote < NOTE_OFF ? GetSession().GetCurrentInstrument() : kNoInstrument);
            entry.nPreview = nNote < NOTE_OFF ? nNote : -1;
            entry.bWrite = entry.bAdvance = true;
        }
        else
        {
            // A note key above A-9.
            entry.bRefused = nNote >= 0;
        }
    }
    else if (nField == 1)
    {
        entry.nPrompt = IDS_PROMPT_OCTAVE;
        const bool bNote = cell.note != NOTE_EMPTY && cell.note != NOTE_OFF;
        // Typed over a note it is that note's octave alone; over no note, the keyboard's.
        if (nDigit >= 0 && !bNote)
            SetOctave(nDigit);
        const int nNote = nDigit * 12 + cell.note % 12;
        if (nDigit >= 0 && bNote && nNote < NOTE_OFF)
        {
            cell.SetNote(static_cast<std::uint8_t>(nNote));
            entry.nPreview = nNote;
            entry.bWrite = entry.bAdvance = true;
        }
        // Beyond A-9 a note would read as a rest or an unknown value.
        entry.bRefused = nDigit >= 0 && bNote && nNote >= NOTE_OFF;
    }
    return entry;
}

CSoundPatternView::Entry CSoundPatternView::EnterNoise(QKeyCombination key, int nField,
                                                       SoundCell& cell)
{
    Entry entry;
    const int nDigit = EditorKeys::DigitOf(key);
    if (nField == 0)
    {
        entry.nPrompt = IDS_PROMPT_NOISEFREQ;
        if (EditorKeys::IsComma(key))
            cell.freq = FREQ_OFF;
        else if (EditorKeys::IsPeriod(key))
            cell.freq = FREQ_EMPTY;
        else if (nDigit >= 0 && nDigit <= 3)
            cell.freq = static_cast<std::uint8_t>(nDigit);
        else
            return entry;
        cell.instrument = static_cast<std::uint8_t>(
            cell.freq <= 3 ? GetSession().GetCurrentInstrument() : kNoInstrument);
        entry.bWrite = entry.bAdvance = true;
    }
    else if (nField == 1)
    {
        entry.nPrompt = IDS_PROMPT_NOISETYPE;
        if (cell.freq != FREQ_EMPTY && (nDigit == 0 || nDigit == 1))
        {
            cell.noiseType = nDigit == 1 ? NOISE_WHITE : NOISE_PERIODIC;
            entry.bWrite = entry.bAdvance = true;
        }
    }
    return entry;
}

CSoundPatternView::Entry
CSoundPatternView::EnterAttenuation(QKeyCombination key, const std::optional<PendingDigit>& pending,
                                    SoundCell& cell)
{
    Entry entry;
    const PatternCursor cursor = GetSession().GetPatternCursor();
    if (cursor.field == 2)
        entry.nPrompt = IDS_PROMPT_ATTENUATION;
    const int nDigit = EditorKeys::DigitOf(key);
    if (EditorKeys::IsPeriod(key))
    {
        cell.atten = ATTEN_EMPTY;
        entry.bWrite = entry.bAdvance = true;
    }
    else if (nDigit >= 0 && IsPendingHere(pending, false) && cell.atten == pending->nDigit)
    {
        // The second digit: 1 then 2 is 12, 0 then 5 is 05.
        cell.atten = static_cast<std::uint8_t>(std::min(pending->nDigit * 10 + nDigit, 15));
        entry.nTyping = pending->nTyping;
        entry.bWrite = entry.bAdvance = true;
    }
    else if (nDigit >= 0)
    {
        // 2 to 9 are whole values; 0 and 1 may begin 00 to 15 and wait for the next key.
        cell.atten = static_cast<std::uint8_t>(nDigit);
        entry.bWrite = true;
        entry.bAdvance = nDigit >= 2;
        if (!entry.bAdvance)
        {
            m_pendingDigit = PendingDigit{GetSession().GetCurrentPattern()->GetId(), cursor.row,
                                          nDigit, ++m_nTypings};
            entry.nTyping = m_nTypings;
        }
    }
    return entry;
}

bool CSoundPatternView::IsPendingHere(const std::optional<PendingDigit>& pending,
                                      bool bInstrument) const
{
    return pending && pending->bInstrument == bInstrument &&
           pending->row == GetSession().GetPatternCursor().row &&
           pending->pattern == GetSession().GetCurrentPattern()->GetId();
}

CSoundPatternView::Entry
CSoundPatternView::EnterInstrument(QKeyCombination key, const std::optional<PendingDigit>& pending,
                                   SoundCell& cell)
{
    Entry entry;
    entry.nPrompt = IDS_PROMPT_INSTRUMENT;
    const int nDigit = EditorKeys::DigitOf(key);
    if (EditorKeys::IsPeriod(key))
    {
        cell.instrument = kNoInstrument;
        entry.bWrite = entry.bAdvance = true;
        return entry;
    }
    if (nDigit < 0)
        return entry;
    if (!IsPendingHere(pending, true))
    {
        // Every number has two digits: the first changes nothing until the second comes.
        m_pendingDigit = PendingDigit{GetSession().GetCurrentPattern()->GetId(),
                                      GetSession().GetPatternCursor().row, nDigit, 0, true};
        entry.nPrompt = 0;
        SetIdleText(tr("Instrument %1_").arg(nDigit).toStdString());
        return entry;
    }
    const int number = pending->nDigit * 10 + nDigit;
    if (number != kNoInstrument && GetDocument()->FindInstrument(number) == nullptr)
    {
        entry.bRefused = true;
        entry.refusal = tr("This sound has no instrument %1")
                            .arg(number, 2, 10, QLatin1Char('0'))
                            .toStdString();
        return entry;
    }
    cell.instrument = static_cast<std::uint8_t>(number);
    entry.bWrite = entry.bAdvance = true;
    return entry;
}

void CSoundPatternView::EnterIntoField(QKeyCombination key,
                                       const std::optional<PendingDigit>& pending)
{
    CSoundDoc* pDoc = GetDocument();
    CSoundSession& session = GetSession();
    CSoundPattern* pPattern = session.GetCurrentPattern();
    const PatternCursor cursor = session.GetPatternCursor();
    const int nRows = pPattern->GetRows();
    const bool bNoise = pDoc->FindPatternChannel(pPattern) == kNoiseChannel;
    SoundCell cell = pPattern->GetCell(cursor.row);
    const Entry entry = cursor.field >= kFirstInstrumentField ? EnterInstrument(key, pending, cell)
                        : cursor.field >= 2                   ? EnterAttenuation(key, pending, cell)
                        : bNoise                              ? EnterNoise(key, cursor.field, cell)
                                                              : EnterTone(key, cursor.field, cell);
    // A pattern of no rows has no cell to write.
    if (entry.bWrite && nRows > 0)
    {
        SoundEdits::SetCells(
            session, CurrentPosition(), tr("Typing"), pPattern->GetId(), cursor.row, {cell},
            entry.nTyping != 0 ? SoundEdits::kMergeTyping : SoundEdits::kMergeNone, entry.nTyping);
        if (entry.bAdvance)
        {
            const int nStep = CNoteKeyboard::Instance().GetEditStep();
            session.SetPatternCursor({cursor.field, std::min(cursor.row + nStep, nRows - 1)});
        }
        if (entry.nPreview >= 0 && session.GetPlayNotes() && GetTransport() != nullptr)
            GetTransport()->PostPreview(pDoc, entry.nPreview, pDoc->FindPatternChannel(pPattern));
    }
    if (entry.nPrompt != 0)
        SetIdleMessage(entry.nPrompt);
    EnsureCursorVisible();
    if (entry.bRefused)
    {
        // Said over whatever the status bar showed of the cell.
        QApplication::beep();
        if (entry.refusal.empty())
            SetIdleMessage(IDS_PROMPT_NOTE);
        else
            SetIdleText(entry.refusal);
    }
}
