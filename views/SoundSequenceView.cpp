// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundSequenceView.h"

#include "framework/TextCodec.h"
#include "resources/ResourceTables.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "sound/VoiceMute.h"
#include "views/DragScroller.h"
#include "views/EditorKeys.h"
#include "views/NoteKeyboard.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace
{
// Byte length of the first nChars characters of valid UTF-8 text.
std::size_t Utf8Prefix(const std::string& text, std::size_t nChars)
{
    std::size_t i = 0;
    for (std::size_t n = 0; n < nChars && i < text.size(); ++n)
    {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
    }
    return i;
}
} // namespace

CSoundSequenceView::CSoundSequenceView(CSoundSession* pSession, QWidget* pParent)
    : CSoundBase(pSession, pParent)
{
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &CSoundSequenceView::OnScrollAction);
    m_pDragScroller = new CDragScroller(
        [this](int nRequest, bool bDoScroll) { return OnScroll(nRequest, bDoScroll); }, this);
    viewport()->setAcceptDrops(true);
    connect(pSession, &CSoundSession::MuteMaskChanged, viewport(), qOverload<>(&QWidget::update));
}

int CSoundSequenceView::StepSize() const
{
    return std::max(GetDocument()->GetStepSize(), 1);
}

std::string CSoundSequenceView::CellText(const CSoundPattern* pPattern)
{
    if (pPattern == nullptr)
        return "  ...  ";
    const std::string name = ToDisplayUtf8(pPattern->GetName());
    const std::size_t nChars = CharacterCount(name);
    if (nChars <= 7)
        return name + std::string(7 - nChars, ' ');
    return name.substr(0, Utf8Prefix(name, 6)) + ">";
}

QRect CSoundSequenceView::GetCellRect(int nChannel, int nStep) const
{
    const int y = kHeaderHeight + kRowHeight * (nStep - GetScrollPos());
    return QRect(QPoint(56 + 64 * nChannel, y), QPoint(111 + 64 * nChannel, y + kRowHeight - 1));
}

QRect CSoundSequenceView::GetGridRect() const
{
    return QRect(QPoint(56, kHeaderHeight),
                 QPoint(311, kHeaderHeight + kRowHeight * GetPage() - 1));
}

SequencePos CSoundSequenceView::HitTest(const QPoint& point) const
{
    SequencePos pos;
    pos.channel = (point.x() - 56) / 64;
    pos.step = std::min((point.y() - kHeaderHeight) / kRowHeight + GetScrollPos(), kMaxStep);
    return pos;
}

CSoundPattern* CSoundSequenceView::GetCursorPattern() const
{
    CSoundDoc* pDoc = GetDocument();
    return pDoc->GetPatternAt(GetSession().GetSequenceCursor());
}

void CSoundSequenceView::OnDraw(QPainter& dc, const QRect& rcClip)
{
    CSoundDoc* pDoc = GetDocument();
    const QRect rcClient = viewport()->rect();
    dc.fillRect(rcClip, m_crBack);

    const int nPage = GetPage();
    if (GetScrollLimit() != std::max(m_nScrollMax - std::max(nPage, 1) + 1, 0))
        UpdateScrollBars();
    const int nFirst = GetScrollPos();

    if (rcClip.top() < kHeaderHeight)
        DrawChannelNames(dc);

    int nRangeStart, nRangeEnd, s;
    s = std::max(pDoc->GetStepSize(), 1);
    nRangeStart = pDoc->GetPlayRange().start;
    nRangeEnd = pDoc->GetPlayRange().end;
    const SequencePos cursor = GetSession().GetSequenceCursor();
    // Only the lines that intersect the area to repaint are formatted.
    const int nFrom = std::max(nFirst, nFirst + (rcClip.top() - kHeaderHeight) / kRowHeight);
    const int nTo = std::min({nFirst + nPage, kMaxStep + 1,
                              nFirst + (rcClip.bottom() - kHeaderHeight) / kRowHeight + 1});
    for (int nStep = nFrom; nStep < nTo; ++nStep)
    {
        const int p = nStep * s;
        const QColor& crBack = nStep % 16 == 0  ? m_crBarRow
                               : nStep % 4 == 0 ? m_crBeatRow
                                                : m_crBack;
        std::string cells[kChannelCount];
        char szLine[16];
        std::snprintf(szLine, sizeof szLine, "%6d", p);
        std::string line = szLine;
        for (int c = 0; c < kChannelCount; ++c)
        {
            const auto& seq = pDoc->GetSequence(c);
            const auto it = seq.find(p);
            cells[c] = CellText(it != seq.end() ? it->second : nullptr);
            line += ' ';
            line += cells[c];
        }
        const int y = kHeaderHeight + kRowHeight * (nStep - nFirst);
        TextOut(dc, 0, y, line, crBack);
        if (nStep == cursor.step && cursor.channel >= 0 && cursor.channel < kChannelCount)
            TextOut(dc, 56 + 64 * cursor.channel, y, cells[cursor.channel], CursorBack(),
                    CursorText(m_crText));
    }

    dc.setPen(QPen(Qt::black, 0));
    dc.drawLine(0, kHeaderHeight, rcClient.right(), kHeaderHeight);
    for (int x : {52, 116, 180, 244})
        dc.drawLine(x, 0, x, rcClient.bottom());

    dc.setPen(m_penWhite);
    const double dFirst = static_cast<double>(nFirst) * s;
    for (int v : {nRangeStart, nRangeEnd})
    {
        if (dFirst <= v && v <= static_cast<double>(nFirst + nPage) * s)
        {
            const int y = static_cast<int>((v - dFirst) / s * 14.0 + 20.0);
            dc.drawLine(0, y, rcClient.right(), y);
        }
    }
    if (m_nDragFocus != 0)
        DrawFocusRect(dc, m_rcDragFocus);
    PaintPlayLine(dc);
}

void CSoundSequenceView::DrawFocusRect(QPainter& dc, const QRect& rc) const
{
    // A dotted outline that inverts what it covers, so it shows on any line colour.
    dc.save();
    dc.setCompositionMode(QPainter::RasterOp_NotDestination);
    auto dot = [&dc](int x, int y)
    {
        if ((x + y) % 2 == 0)
            dc.fillRect(x, y, 1, 1, Qt::black);
    };
    for (int x = rc.left(); x <= rc.right(); ++x)
    {
        dot(x, rc.top());
        dot(x, rc.bottom());
    }
    for (int y = rc.top() + 1; y < rc.bottom(); ++y)
    {
        dot(rc.left(), y);
        dot(rc.right(), y);
    }
    dc.restore();
}

int CSoundSequenceView::PlayLineY() const
{
    CSoundDoc* pDoc = GetDocument();
    int v, s;
    v = GetSession().GetPlayRow();
    s = std::max(pDoc->GetStepSize(), 1);
    const double dFirst = static_cast<double>(GetScrollPos()) * s;
    if (dFirst <= v && v <= static_cast<double>(GetScrollPos() + GetPage()) * s)
        return static_cast<int>((v - dFirst) / s * 14.0 + 20.0);
    return -1;
}

void CSoundSequenceView::DrawPlayPosition()
{
    MovePlayLine(PlayLineY());
}

void CSoundSequenceView::UpdateScrollBars()
{
    const int nPage = GetPage();
    const int n = std::max(GetLastPosition() / StepSize(), nPage);
    if (n >= 1 && n > m_nScrollMax)
        m_nScrollMax = std::min(n, kMaxStep);
    SetScrollRange(m_nScrollMax, nPage);
}

void CSoundSequenceView::EnsureCursorVisible()
{
    const int nStep = GetSession().GetSequenceCursor().step;
    const int p = GetScrollPos();
    const int nPage = std::max(GetPage(), 1);
    if (nStep < p)
        SetScrollPos(nStep);
    else if (nStep > p + nPage - 1)
        SetScrollPos(nStep - nPage + 1);
    viewport()->update();
}

void CSoundSequenceView::KeepCursorInPage(int nFirst)
{
    SequencePos cursor = GetSession().GetSequenceCursor();
    // With no whole line visible, the first line shown is the one to stay on.
    const int nLast = nFirst + std::max(GetPage(), 1) - 1;
    cursor.step = std::clamp(std::clamp(cursor.step, nFirst, nLast), 0, kMaxStep);
    GetSession().SetSequenceCursor(cursor);
}

void CSoundSequenceView::OnScrollAction(int nAction)
{
    QScrollBar* pBar = verticalScrollBar();
    const int p = pBar->value();
    const int nPage = GetPage();
    const int m = m_nScrollMax;
    int nNew = ScrollTarget(nAction, p, nPage, m, true);
    // Scrolling down past the end lengthens the grid one step at a time.
    if (nNew > GetScrollLimit() && m < kMaxStep)
    {
        m_nScrollMax = m + 1;
        SetScrollRange(m_nScrollMax, nPage);
    }
    nNew = std::clamp(nNew, 0, GetScrollLimit());
    pBar->setSliderPosition(nNew);
    KeepCursorInPage(nNew);
    viewport()->update();
}

void CSoundSequenceView::wheelEvent(QWheelEvent* pEvent)
{
    const int nLines = -pEvent->angleDelta().y() / 20;
    const int nNew = std::clamp(GetScrollPos() + nLines, 0, GetScrollLimit());
    SetScrollPos(nNew);
    KeepCursorInPage(nNew);
    viewport()->update();
    pEvent->accept();
}

void CSoundSequenceView::DrawChannelNames(QPainter& dc) const
{
    static constexpr std::string_view kNames[kChannelCount] = {"Voice0", "Voice1", "Voice2",
                                                               "Noise"};
    const unsigned muteMask = GetSession().GetMuteMask();
    PaintHeader(dc);
    for (int c = 0; c < kChannelCount; ++c)
    {
        const int x = 60 + 64 * c;
        TextOut(dc, x, 4, kNames[c], HeaderBack(), HeaderText());
        if (IsVoiceMuted(muteMask, c))
            dc.fillRect(x, 4 + kCharHeight / 2, kCharWidth * static_cast<int>(kNames[c].size()), 1,
                        HeaderText());
    }
}

bool CSoundSequenceView::OnChannelNameClick(const QMouseEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    const QRect names(GetGridRect().left(), 0, GetGridRect().width(), kHeaderHeight);
    if (pEvent->button() != Qt::LeftButton || !names.contains(point))
        return false;
    const int channel = HitTest(point).channel;
    if (pEvent->modifiers() & Qt::ControlModifier)
        GetSession().Solo(channel);
    else
        GetSession().ToggleMute(channel);
    return true;
}

void CSoundSequenceView::mousePressEvent(QMouseEvent* pEvent)
{
    m_bDragArmed = false;
    if (OnChannelNameClick(pEvent))
        return pEvent->accept();
    if (pEvent->button() == Qt::LeftButton || pEvent->button() == Qt::RightButton)
    {
        const QPoint point = pEvent->position().toPoint();
        if (GetGridRect().contains(point))
        {
            const SequencePos pos = HitTest(point);
            GetSession().SetSequenceCursor(pos);
            viewport()->update();
            if (pEvent->button() == Qt::LeftButton && GetCursorPattern() != nullptr)
            {
                m_bDragArmed = true;
                m_dragSource = pos;
                m_rcDragStart = GetCellRect(pos.channel, pos.step);
            }
        }
    }
    CSoundBase::mousePressEvent(pEvent);
}

void CSoundSequenceView::mouseMoveEvent(QMouseEvent* pEvent)
{
    // A plain click selects; only leaving the cell with the button held starts a drag.
    if (m_bDragArmed && (pEvent->buttons() & Qt::LeftButton) != 0 &&
        !m_rcDragStart.contains(pEvent->position().toPoint()))
    {
        m_bDragArmed = false;
        pEvent->accept();
        StartDrag(m_dragSource);
        return;
    }
    CSoundBase::mouseMoveEvent(pEvent);
}

void CSoundSequenceView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    m_bDragArmed = false;
    CSoundBase::mouseReleaseEvent(pEvent);
}

void CSoundSequenceView::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    if (pEvent->button() == Qt::LeftButton && GetGridRect().contains(point))
    {
        const SequencePos pos = HitTest(point);
        GetSession().SetSequenceCursor(pos);
        viewport()->update();
        if (CSoundPattern* pPattern = GetCursorPattern())
            OpenPattern(pPattern);
    }
    CSoundBase::mouseDoubleClickEvent(pEvent);
}

void CSoundSequenceView::keyPressEvent(QKeyEvent* pEvent)
{
    // Delete is the Delete command, whether or not an accelerator got to it first.
    if (pEvent->key() == Qt::Key_Delete && pEvent->modifiers() == Qt::NoModifier)
    {
        OnEditDelete();
        return;
    }
    if (OnJumpKey(pEvent))
    {
        pEvent->accept();
        return;
    }
    // Alt belongs to the menus' mnemonics: it never places or clears a pattern.
    if ((pEvent->modifiers() & Qt::AltModifier) != 0)
    {
        pEvent->ignore();
        return;
    }
    QKeyCombination key = pEvent->keyCombination();
    // Digits and the clear key by their place; pattern letters stay those the menu shows.
    const QKeyCombination place = CNoteKeyboard::Instance().KeyOf(pEvent);
    if (EditorKeys::DigitOf(place) >= 0 || EditorKeys::IsPeriod(place))
        key = place;
    // Someone playing the piano rows here is told once where notes are typed.
    if (!m_bNoteKeysHinted && CNoteKeyboard::IsNoteLetter(place))
    {
        m_bNoteKeysHinted = true;
        SetIdleMessage(IDS_SEQUENCE_NOTEKEYS);
    }
    if (EditorKeys::IsEditorKey(key.key()))
        OnKeyDown(key);
    pEvent->accept();
}

bool CSoundSequenceView::OnJumpKey(const QKeyEvent* pEvent)
{
    const int key = pEvent->key();
    if (key != Qt::Key_Home && key != Qt::Key_End)
        return false;
    // With Ctrl the whole sequence, else the cursor's channel; Ctrl+Home is always step 0.
    const bool bWhole = (pEvent->modifiers() & Qt::ControlModifier) != 0;
    CSoundDoc* pDoc = GetDocument();
    int nStep = 0;
    const int nChannel = GetSession().GetSequenceCursor().channel;
    std::optional<int> first, last;
    for (int c = 0; c < kChannelCount; ++c)
    {
        if (!bWhole && c != nChannel)
            continue;
        for (const auto& [nPos, pPattern] : pDoc->GetSequence(c))
        {
            if (pPattern == nullptr)
                continue;
            first = std::min(first.value_or(nPos), nPos);
            last = std::max(last.value_or(nPos), nPos);
        }
    }
    const std::optional<int> target = key == Qt::Key_End ? last : bWhole ? 0 : first;
    nStep = std::clamp(target.value_or(0) / std::max(pDoc->GetStepSize(), 1), 0, kMaxStep);
    GetSession().SetSequenceCursor({GetSession().GetSequenceCursor().channel, nStep});
    if (nStep > m_nScrollMax)
    {
        m_nScrollMax = nStep;
        UpdateScrollBars();
    }
    EnsureCursorVisible();
    return true;
}

std::optional<int> CSoundSequenceView::PlayFromPosition() const
{
    return GetSession().GetSequenceCursor().step * std::max(GetDocument()->GetStepSize(), 1);
}

void CSoundSequenceView::OnKeyDown(QKeyCombination key)
{
    const int nPage = GetPage();
    SequencePos cursor;
    CSoundPattern* pCurrent;
    cursor = GetSession().GetSequenceCursor();
    pCurrent = GetSession().GetCurrentPattern();
    switch (key.key())
    {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (pCurrent != nullptr)
        {
            OpenPattern(pCurrent);
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (CSoundPattern* pPattern = GetCursorPattern())
        {
            OpenPattern(pPattern);
            return;
        }
        if (CSoundPattern* pPattern = NewPatternDialog(cursor.channel, &cursor))
        {
            viewport()->update();
            OpenPattern(pPattern);
            return;
        }
        break;
    case Qt::Key_PageUp:
        cursor.step = cursor.step >= nPage - 1 ? cursor.step - nPage + 1 : 0;
        break;
    case Qt::Key_PageDown:
        cursor.step += nPage - 1;
        break;
    case Qt::Key_Left:
        cursor.channel = std::max(cursor.channel - 1, 0);
        break;
    case Qt::Key_Up:
        cursor.step = std::max(cursor.step - 1, 0);
        break;
    case Qt::Key_Right:
        cursor.channel = std::min(cursor.channel + 1, kChannelCount - 1);
        break;
    case Qt::Key_Down:
        ++cursor.step;
        break;
    case Qt::Key_Insert:
        SoundEdits::InsertStep(GetSession(), CurrentPosition(), cursor.channel, cursor.step);
        break;
    default:
        if (EditorKeys::IsPeriod(key))
        {
            SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Clear Step"), cursor, 0);
            ++cursor.step;
        }
        break;
    }
    CSoundPattern* pPattern = nullptr;
    if (KeyToPattern(key, cursor.channel, &pPattern))
    {
        SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Set Pattern"), cursor,
                                 pPattern->GetId());
        ++cursor.step;
    }
    cursor.step = std::clamp(cursor.step, 0, kMaxStep);
    GetSession().SetSequenceCursor(cursor);
    if (cursor.step > m_nScrollMax)
    {
        m_nScrollMax = cursor.step;
        UpdateScrollBars();
    }
    EnsureCursorVisible();
}
