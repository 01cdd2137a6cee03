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
    CSoundDoc* pDoc = GetDocument();
    const bool bHasRows = ClampCursor();
    const int nPage = GetPage();
    int nPreview = -1;
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
        cursor.field = std::min(cursor.field + 1, 3);
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

    const int nDigit = EditorKeys::DigitOf(key);
    const bool bDigit = nDigit >= 0;
    SoundCell cell = pPattern->GetCell(cursor.row);
    bool bAdvance = false;
    unsigned nPrompt = 0;
    if (!bNoise && cursor.field == 0)
    {
        nPrompt = IDS_PROMPT_NOTE;
        int nNote;
        if (KeyToNote(key, &nNote))
        {
            cell.SetNote(static_cast<std::uint8_t>(nNote));
            if (session.GetPlayNotes() && nNote < NOTE_OFF)
                nPreview = nNote;
            bAdvance = true;
        }
    }
    else if (!bNoise && cursor.field == 1)
    {
        nPrompt = IDS_PROMPT_OCTAVE;
        if (bDigit)
        {
            SetOctave(nDigit);
            const int nNote = nDigit * 12 + cell.note % 12;
            // A note beyond B-9's neighbours would read as a rest or an unknown value.
            if (cell.note != NOTE_EMPTY && cell.note != NOTE_OFF && nNote < NOTE_OFF)
            {
                cell.SetNote(static_cast<std::uint8_t>(nNote));
                if (session.GetPlayNotes())
                    nPreview = nNote;
                bAdvance = true;
            }
        }
    }
    else if (bNoise && cursor.field == 0)
    {
        nPrompt = IDS_PROMPT_NOISEFREQ;
        if (EditorKeys::IsComma(key))
        {
            cell.freq = FREQ_OFF;
            bAdvance = true;
        }
        else if (EditorKeys::IsPeriod(key))
        {
            cell.freq = FREQ_EMPTY;
            bAdvance = true;
        }
        else if (bDigit && nDigit <= 3)
        {
            cell.freq = static_cast<std::uint8_t>(nDigit);
            bAdvance = true;
        }
    }
    else if (bNoise && cursor.field == 1)
    {
        nPrompt = IDS_PROMPT_NOISETYPE;
        if (cell.freq != FREQ_EMPTY && (nDigit == 0 || nDigit == 1))
        {
            cell.noiseType = nDigit == 1 ? NOISE_WHITE : NOISE_PERIODIC;
            bAdvance = true;
        }
    }
    if (cursor.field == 2 || cursor.field == 3)
    {
        if (cursor.field == 2)
            nPrompt = IDS_PROMPT_ATTENUATION;
        if (EditorKeys::IsPeriod(key))
        {
            cell.atten = ATTEN_EMPTY;
            bAdvance = true;
        }
        else if (bDigit)
        {
            const int nOld = cell.atten == ATTEN_EMPTY ? 0 : cell.atten;
            const int nNew =
                cursor.field == 2 ? nDigit * 10 + nOld % 10 : (nOld / 10) * 10 + nDigit;
            cell.atten = static_cast<std::uint8_t>(std::min(nNew, 15));
            bAdvance = true;
        }
    }
    if (!bHasRows)
    {
        // A pattern of no rows has no cell to write.
        bAdvance = false;
        nPreview = -1;
    }
    if (bAdvance)
    {
        const PatternId id = pPattern->GetId();
        const int nRow = cursor.row;
        SoundEdits::SetCells(session, CurrentPosition(), tr("Typing"), id, nRow, {cell});
        if (nRow < nRows - 1)
            session.SetPatternCursor({cursor.field, nRow + 1});
    }
    if (nPrompt != 0)
        SetIdleMessage(nPrompt);
    if (nPreview >= 0 && GetTransport() != nullptr)
        GetTransport()->PostPreview(pDoc, nPreview, pDoc->FindPatternChannel(pPattern));
    EnsureCursorVisible();
}
