// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundPatternView.h"

#include "framework/TextCodec.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/AgiTone.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/FollowPlayback.h"
#include "views/NoteKeyboard.h"
#include "views/PatternRows.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <mutex>

CSoundPatternView::CSoundPatternView(CSoundSession* pSession, QWidget* pParent)
    : CSoundBase(pSession, pParent)
{
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &CSoundPatternView::OnScrollAction);
}

bool CSoundPatternView::ClampCursor()
{
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    PatternCursor cursor = GetSession().GetPatternCursor();
    cursor.field = std::clamp(cursor.field, 0, kFieldCount - 1);
    const int nRows = pPattern != nullptr ? pPattern->GetRows() : 0;
    cursor.row = std::clamp(cursor.row, 0, std::max(nRows - 1, 0));
    GetSession().SetPatternCursor(cursor);
    return nRows > 0;
}

void CSoundPatternView::OnUpdate(IDocumentView* pSender)
{
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    const PatternId shown = pPattern != nullptr ? pPattern->GetId() : 0;
    // Another editor opened a different pattern: start at its top.
    if (shown != m_nShownPattern && pSender != nullptr)
    {
        GetSession().SetPatternCursor({});
        m_nAnchor = -1;
        SetScrollPos(0);
    }
    m_nShownPattern = shown;
    ClampCursor();
    CSoundBase::OnUpdate(pSender);
    // The cell under the cursor may have changed without the cursor moving (a row deleted).
    ShowDivisorStatus();
}

QRect CSoundPatternView::GetClickRect() const
{
    return QRect(QPoint(56, kHeaderHeight),
                 QPoint(311, kHeaderHeight + kRowHeight * GetPage() - 1));
}

void CSoundPatternView::OnDraw(QPainter& dc, const QRect& rcClip)
{
    CSoundDoc* pDoc = GetDocument();
    const QRect rcClient = viewport()->rect();
    dc.fillRect(rcClip, m_crBack);

    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    if (rcClip.top() < kHeaderHeight)
        PaintHeader(dc);
    if (pPattern == nullptr)
    {
        TextOut(dc, 40, 40, "Please select a pattern from the sequencer.", m_crBack);
    }
    else
    {
        const int nRows = pPattern->GetRows();
        const int nPage = GetPage();
        if (GetScrollLimit() != std::max(nRows - 1 - std::max(nPage, 1) + 1, 0))
            UpdateScrollBars();
        const int nChannel = pDoc->FindPatternChannel(pPattern);
        const bool bNoise = nChannel == kNoiseChannel;
        const int nFirst = GetScrollPos();
        const int nTpb = std::max(pDoc->GetTracksPerBeat(), 1);
        const PatternCursor cursor = GetSession().GetPatternCursor();
        int nSelFirst = 0, nSelLast = -1;
        const bool bSelection = GetSelection(nSelFirst, nSelLast);

        if (rcClip.top() < kHeaderHeight)
        {
            TextOut(dc, 0, 4, nChannel >= 0 ? g_channelNames[nChannel] : "", HeaderBack(),
                    HeaderText());
            TextOut(dc, 60, 4, ToDisplayUtf8(pPattern->GetName()), HeaderBack(), HeaderText());
        }
        // Only the rows that intersect the area to repaint are formatted.
        const int nFrom = std::max(nFirst, nFirst + (rcClip.top() - kHeaderHeight) / kRowHeight);
        const int nTo = std::min(
            {nFirst + nPage, nRows, nFirst + (rcClip.bottom() - kHeaderHeight) / kRowHeight + 1});
        for (int r = nFrom; r < nTo; ++r)
        {
            const int y = kHeaderHeight + kRowHeight * (r - nFirst);
            const QColor& crBack = r % (4 * nTpb) == 0 ? m_crBarRow
                                   : r % nTpb == 0     ? m_crBeatRow
                                                       : m_crBack;
            const SoundCell cell = pPattern->GetCell(r);
            const std::string line = PatternRows::RowText(r, cell, bNoise);
            const bool bExact = !bNoise && cell.HasExactNote();
            TextOut(dc, 0, y, line, crBack);
            if (bExact)
                TextOut(dc, kFieldX[0], y, std::string_view(line).substr(kFieldChar[0], 3), crBack,
                        m_crExactNote);
            if (r == cursor.row)
            {
                const int nField = std::clamp(cursor.field, 0, kFieldCount - 1);
                TextOut(dc, kFieldX[nField], y,
                        std::string_view(line).substr(kFieldChar[nField], 1), CursorBack(),
                        CursorText(bExact && nField < 2 ? m_crExactNote : m_crText));
            }
        }
        // The selection: one inverted band over the rows painted.
        const int nBandFirst = std::max(nSelFirst, nFrom), nBandLast = std::min(nSelLast, nTo - 1);
        if (bSelection && nBandFirst <= nBandLast)
        {
            dc.save();
            dc.setCompositionMode(QPainter::RasterOp_NotDestination);
            dc.fillRect(QRect(0, kHeaderHeight + kRowHeight * (nBandFirst - nFirst),
                              rcClient.width(), kRowHeight * (nBandLast - nBandFirst + 1)),
                        Qt::black);
            dc.restore();
        }
    }

    dc.setPen(QPen(Qt::black, 0));
    dc.drawLine(0, kHeaderHeight, rcClient.right(), kHeaderHeight);
    dc.drawLine(52, 0, 52, rcClient.bottom());

    PaintPlayLine(dc);
}

void CSoundPatternView::DrawPlayPosition()
{
    if (CFollowPlayback::Instance().IsOn())
        ScrollToPlayingRow();
    MovePlayLine(PlayLineY());
}

void CSoundPatternView::ScrollToPlayingRow()
{
    const CSoundSession& session = GetSession();
    if (!session.IsPlaying() || session.IsPaused())
        return;
    const int r = GetPatternOffset(session.GetPlayRow(), session.GetCurrentPattern());
    const int nFirst = GetScrollPos();
    // A page at a time, as the row leaves the view, so the rows stay still to read.
    if (r >= 0 && (r < nFirst || r >= nFirst + std::max(GetPage(), 1)))
        SetScrollPos(r);
}

int CSoundPatternView::PlayLineY() const
{
    const int r = GetPatternOffset(GetSession().GetPlayRow(), GetSession().GetCurrentPattern());
    const int nFirst = GetScrollPos();
    int y = -1;
    if (r >= 0 && nFirst <= r && r <= nFirst + GetPage())
        y = kHeaderHeight + kRowHeight * (r - nFirst);
    return y;
}

void CSoundPatternView::UpdateScrollBars()
{
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    const int nMax = pPattern != nullptr ? std::max(pPattern->GetRows() - 1, 0) : 0;
    SetScrollRange(nMax, GetPage());
}

void CSoundPatternView::EnsureCursorVisible()
{
    const int nRow = GetSession().GetPatternCursor().row;
    const int p = GetScrollPos();
    const int nPage = std::max(GetPage(), 1);
    if (nRow < p)
        SetScrollPos(nRow);
    else if (nRow > p + nPage - 1)
        SetScrollPos(nRow - nPage + 1);
    viewport()->update();
    ShowDivisorStatus();
}

void CSoundPatternView::ShowDivisorStatus()
{
    if (!hasFocus())
        return;
    std::string text;
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    if (pPattern != nullptr && GetDocument()->FindPatternChannel(pPattern) != kNoiseChannel)
    {
        const SoundCell cell = pPattern->GetCell(GetSession().GetPatternCursor().row);
        if (cell.HasExactNote())
            text = AgiDivisorText(cell.divisor, cell.note);
    }
    if (!text.empty())
        SetIdleText(text);
    else if (m_bDivisorShown)
        ShowFieldPrompt();
    m_bDivisorShown = !text.empty();
}

void CSoundPatternView::KeepCursorInPage(int nFirst)
{
    PatternCursor cursor = GetSession().GetPatternCursor();
    // With no whole row visible, the first row shown is the only one to stay on.
    const int nLast = nFirst + std::max(GetPage(), 1) - 1;
    cursor.row = std::clamp(cursor.row, nFirst, std::max(nLast, nFirst));
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    const int nRows = pPattern != nullptr ? pPattern->GetRows() : 0;
    cursor.row = std::clamp(cursor.row, 0, std::max(nRows - 1, 0));
    GetSession().SetPatternCursor(cursor);
}

void CSoundPatternView::OnScrollAction(int nAction)
{
    QScrollBar* pBar = verticalScrollBar();
    const int p = pBar->value();
    const int nLimit = pBar->maximum();
    const int nPage = GetPage();
    int nNew = ScrollTarget(nAction, p, nPage, nLimit, false);
    nNew = std::clamp(nNew, 0, nLimit);
    pBar->setSliderPosition(nNew);
    KeepCursorInPage(nNew);
    viewport()->update();
}

void CSoundPatternView::wheelEvent(QWheelEvent* pEvent)
{
    const int nLines = -pEvent->angleDelta().y() / 20;
    const int nNew = std::clamp(GetScrollPos() + nLines, 0, GetScrollLimit());
    SetScrollPos(nNew);
    KeepCursorInPage(nNew);
    viewport()->update();
    pEvent->accept();
}

void CSoundPatternView::SetCursorFromPoint(const QPoint& point)
{
    const int k = (point.x() - 48) / kCharWidth;
    int nField;
    switch (k)
    {
    case 2:
    case 3:
        nField = 0;
        break;
    case 4:
        nField = 1;
        break;
    case 7:
        nField = 2;
        break;
    case 8:
        nField = 3;
        break;
    case 11:
    case 12:
        nField = kFirstInstrumentField + k - 11;
        break;
    default:
        return;
    }
    const int nRow = (point.y() - kHeaderHeight) / kRowHeight + GetScrollPos();
    // A click below the last row of a short pattern has no row to land on.
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    if (pPattern == nullptr || !pPattern->IsRowInside(nRow))
        return;
    GetSession().SetPatternCursor({nField, nRow});
}

void CSoundPatternView::mousePressEvent(QMouseEvent* pEvent)
{
    m_nDragRow = -1;
    m_pendingDigit.reset();
    if (pEvent->button() == Qt::LeftButton || pEvent->button() == Qt::RightButton)
    {
        const QPoint point = pEvent->position().toPoint();
        if (GetClickRect().contains(point))
        {
            ClearSelection();
            SetCursorFromPoint(point);
            ShowDivisorStatus();
            if (pEvent->button() == Qt::LeftButton)
                m_nDragRow = GetSession().GetPatternCursor().row;
            viewport()->update();
        }
    }
    CSoundBase::mousePressEvent(pEvent);
}

void CSoundPatternView::contextMenuEvent(QContextMenuEvent* pEvent)
{
    pEvent->accept();
}

void CSoundPatternView::focusInEvent(QFocusEvent* pEvent)
{
    CSoundBase::focusInEvent(pEvent);
    ShowFieldPrompt();
    m_bDivisorShown = false;
    ShowDivisorStatus();
}

void CSoundPatternView::focusOutEvent(QFocusEvent* pEvent)
{
    // A menu opened over the editor keeps it typing.
    if (pEvent->reason() != Qt::PopupFocusReason)
        m_pendingDigit.reset();
    CSoundBase::focusOutEvent(pEvent);
}

void CSoundPatternView::ShowFieldPrompt()
{
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    if (pPattern == nullptr)
        return;
    const int nField = GetSession().GetPatternCursor().field;
    const bool bNoise = GetDocument()->FindPatternChannel(pPattern) == kNoiseChannel;
    if (nField == 0)
        SetIdleMessage(bNoise ? IDS_PROMPT_NOISEFREQ : IDS_PROMPT_NOTE);
    else if (nField == 1)
        SetIdleMessage(bNoise ? IDS_PROMPT_NOISETYPE : IDS_PROMPT_OCTAVE);
    else if (nField < kFirstInstrumentField)
        SetIdleMessage(IDS_PROMPT_ATTENUATION);
    else
        SetIdleMessage(IDS_PROMPT_INSTRUMENT);
}

void CSoundPatternView::OnEditDelete()
{
    if (!ClampCursor())
        return;
    int nFirst, nLast;
    if (GetSelection(nFirst, nLast))
    {
        ReplaceBlock(
            tr("Clear"),
            [](std::vector<SoundCell> cells, bool)
            { return std::vector<SoundCell>(cells.size(), SoundCell::Empty()); },
            false);
        return;
    }
    if (GetSession().GetPatternCursor().field >= kFirstInstrumentField)
    {
        ClearInstrumentAtCursor();
        return;
    }
    const PatternId id = GetSession().GetCurrentPattern()->GetId();
    SoundEdits::DeleteRow(GetSession(), CurrentPosition(), id, GetSession().GetPatternCursor().row);
    viewport()->update();
}

void CSoundPatternView::ClearInstrumentAtCursor()
{
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    const int nRow = GetSession().GetPatternCursor().row;
    SoundCell cell = pPattern->GetCell(nRow);
    if (cell.instrument == kNoInstrument)
        return;
    cell.instrument = kNoInstrument;
    SoundEdits::SetCells(GetSession(), CurrentPosition(), tr("Clear Instrument"), pPattern->GetId(),
                         nRow, {cell});
    viewport()->update();
}

void CSoundPatternView::OnSequenceEditor()
{
    GetDocument()->UpdateAllViews(this);
    ActivateNext();
}

void CSoundPatternView::OnNewPattern()
{
    CSoundSession& session = GetSession();
    const int nChannel = session.GetCurrentPattern() != nullptr
                             ? GetDocument()->FindPatternChannel(session.GetCurrentPattern())
                             : session.GetSequenceCursor().channel;
    CSoundPattern* pPattern = NewPatternDialog(nChannel);
    if (pPattern == nullptr)
        return;
    session.SetCurrentPattern(pPattern);
    session.SetPatternCursor({});
    GetDocument()->UpdateAllViews(nullptr);
    EnsureCursorVisible();
    const auto& patterns = GetDocument()->GetPatterns(nChannel);
    const auto nIndex = static_cast<std::size_t>(std::find_if(patterns.begin(), patterns.end(),
                                                              [pPattern](const auto& p)
                                                              { return p.get() == pPattern; }) -
                                                 patterns.begin());
    const std::string key = PatternKeyName(nIndex);
    const QString name = QString::fromStdString(ToDisplayUtf8(pPattern->GetName()));
    SetIdleText((key.empty() ? tr("%1 is not placed yet").arg(name)
                             : tr("%1 is not placed yet: %2 in the sequence editor places it")
                                   .arg(name, QString::fromStdString(key)))
                    .toStdString());
}

CSoundPattern* CSoundPatternView::GetPropertiesPattern() const
{
    return GetSession().GetCurrentPattern();
}

bool CSoundPatternView::CanUseClipboard() const
{
    return GetSession().GetCurrentPattern() != nullptr;
}

std::optional<int> CSoundPatternView::PlayFromPosition() const
{
    return PatternCursorPosition();
}

void CSoundPatternView::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_nDragRow < 0 || (pEvent->buttons() & Qt::LeftButton) == 0)
        return;
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    if (pPattern == nullptr)
        return;
    const int nRow =
        (static_cast<int>(pEvent->position().y()) - kHeaderHeight) / kRowHeight + GetScrollPos();
    const PatternCursor cursor{GetSession().GetPatternCursor().field,
                               std::clamp(nRow, 0, std::max(pPattern->GetRows() - 1, 0))};
    GetSession().SetPatternCursor(cursor);
    if (cursor.row != m_nDragRow)
        m_nAnchor = m_nDragRow;
    EnsureCursorVisible();
}
