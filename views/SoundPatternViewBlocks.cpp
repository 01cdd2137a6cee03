// SPDX-License-Identifier: GPL-3.0-or-later
// The pattern editor's blocks of rows: selection, the row clipboard, transpose and attenuation.
#include "views/SoundPatternView.h"

#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/CellTransforms.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/PatternRows.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>
#include <mutex>

bool CSoundPatternView::GetSelection(int& nFirst, int& nLast) const
{
    if (m_nAnchor < 0)
        return false;
    if (GetSession().GetCurrentPattern() == nullptr)
        return false;
    const int nRows = GetSession().GetCurrentPattern()->GetRows();
    nFirst = std::min(m_nAnchor, GetSession().GetPatternCursor().row);
    nLast = std::min(std::max(m_nAnchor, GetSession().GetPatternCursor().row), nRows - 1);
    return nFirst <= nLast;
}

void CSoundPatternView::ClearSelection()
{
    if (m_nAnchor >= 0)
        viewport()->update();
    m_nAnchor = -1;
}

bool CSoundPatternView::OnBlockKey(const QKeyEvent* pEvent)
{
    const Qt::KeyboardModifiers mods = pEvent->modifiers() & ~Qt::KeypadModifier;
    const int key = pEvent->key();
    const bool bVertical = key == Qt::Key_Up || key == Qt::Key_Down;
    if (key == Qt::Key_Escape)
    {
        ClearSelection();
        return true;
    }
    if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier))
    {
        const bool bOctave = (mods & Qt::ShiftModifier) != 0;
        if (bVertical)
            Transpose((key == Qt::Key_Up ? 1 : -1) * (bOctave ? 12 : 1));
        else if (key == Qt::Key_C && !bOctave)
            OnEditCopy();
        else if (key == Qt::Key_X && !bOctave)
            OnEditCut();
        else if (key == Qt::Key_V && !bOctave)
            OnEditPaste();
        else if ((key == Qt::Key_PageUp || key == Qt::Key_PageDown) && !bOctave)
            // The octave, as keypad * and /.
            OnKeyDown(Qt::KeypadModifier | (key == Qt::Key_PageUp ? Qt::Key_Asterisk : Qt::Key_Slash));
        else
            return false;
        return true;
    }
    // Alt belongs to the menus' mnemonics: with any key but Up and Down it never edits.
    if ((mods & Qt::AltModifier) != 0)
    {
        if (bVertical && mods == Qt::AltModifier)
            NudgeAttenuation(key == Qt::Key_Up ? -1 : 1);
        return true;
    }
    const bool bMove = bVertical || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
                       key == Qt::Key_Home || key == Qt::Key_End;
    if (mods != Qt::ShiftModifier || !bMove)
        return false;
    if (GetSession().GetCurrentPattern() == nullptr)
        return true;
    if (m_nAnchor < 0)
        m_nAnchor = GetSession().GetPatternCursor().row;
    OnKeyDown(pEvent->keyCombination());
    viewport()->update();
    return true;
}

bool CSoundPatternView::GetBlock(PatternId& id, int& nFirst, int& nLast, bool& bNoise) const
{
    CSoundDoc* pDoc = GetDocument();
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    if (pPattern == nullptr || pPattern->GetRows() == 0)
        return false;
    id = pPattern->GetId();
    bNoise = pDoc->FindPatternChannel(pPattern) == kNoiseChannel;
    if (!GetSelection(nFirst, nLast))
        nFirst = nLast =
            std::clamp(GetSession().GetPatternCursor().row, 0, pPattern->GetRows() - 1);
    return true;
}

void CSoundPatternView::ReplaceBlock(const QString& text, const BlockTransform& transform,
                                     bool bMerge)
{
    PatternId id;
    int nFirst, nLast;
    bool bNoise;
    if (!GetBlock(id, nFirst, nLast, bNoise))
        return;
    CSoundDoc* pDoc = GetDocument();
    const std::vector<SoundCell> cells =
        transform(pDoc->GetCells(id, nFirst, nLast - nFirst + 1), bNoise);
    SoundEdits::SetCells(GetSession(), CurrentPosition(), text, id, nFirst, cells,
                         bMerge ? SoundEdits::kMergeAttenuation : SoundEdits::kMergeNone);
}

void CSoundPatternView::Transpose(int nSemitones)
{
    ReplaceBlock(
        tr("Transpose"),
        [nSemitones](std::vector<SoundCell> cells, bool bNoise)
        { return TransposeCells(std::move(cells), nSemitones, bNoise); },
        false);
}

void CSoundPatternView::NudgeAttenuation(int nDelta)
{
    PatternId id;
    int nFirst, nLast;
    bool bNoise;
    if (!GetBlock(id, nFirst, nLast, bNoise))
        return;
    // A channel starts loud; the rows above the block say what it holds when the block plays.
    const int nHeld = HeldAttenuation(GetDocument()->GetCells(id, 0, nFirst), 0);
    ReplaceBlock(
        tr("Attenuation"),
        [nDelta, nHeld](std::vector<SoundCell> cells, bool bNoiseBlock)
        { return ::NudgeAttenuation(std::move(cells), nDelta, bNoiseBlock, nHeld); },
        true);
}

void CSoundPatternView::OnEditCopy()
{
    PatternId id;
    int nFirst, nLast;
    bool bNoise;
    if (!GetBlock(id, nFirst, nLast, bNoise))
        return;
    const std::vector<SoundCell> cells = GetDocument()->GetCells(id, nFirst, nLast - nFirst + 1);
    QGuiApplication::clipboard()->setMimeData(
        PatternRows::ToMimeData(cells, nFirst, bNoise).release());
}

void CSoundPatternView::OnEditCut()
{
    OnEditCopy();
    ReplaceBlock(
        tr("Cut"),
        [](std::vector<SoundCell> cells, bool)
        { return std::vector<SoundCell>(cells.size(), SoundCell::Empty()); },
        false);
}

void CSoundPatternView::OnEditPaste()
{
    PatternId id;
    int nFirst, nLast;
    bool bNoise;
    if (!GetBlock(id, nFirst, nLast, bNoise))
        return;
    std::vector<SoundCell> cells =
        PatternRows::FromMimeData(QGuiApplication::clipboard()->mimeData(), bNoise);
    // Rows from another sound may name instruments this one lacks: those notes play plain.
    for (SoundCell& cell : cells)
        if (GetDocument()->FindInstrument(cell.instrument) == nullptr)
            cell.instrument = kNoInstrument;
    const int nRow = GetSession().GetPatternCursor().row;
    if (!cells.empty())
        SoundEdits::SetCells(GetSession(), CurrentPosition(), tr("Paste"), id, nRow, cells);
}
