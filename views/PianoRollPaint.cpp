// SPDX-License-Identifier: GPL-3.0-or-later
// The piano roll's picture: only what lies in view is drawn, and the bars in view are found
// by a search in each channel's bars, not by walking the song.
#include "views/PianoRollView.h"

#include "session/SoundSession.h"
#include "sound/SoundDoc.h"

#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace
{
const QColor kBackground(28, 32, 40);
const QColor kBlackKeyRow(22, 25, 32);
const QColor kBeatLine(48, 54, 66);
const QColor kBarLine(80, 90, 110);
const QColor kRangeShade(70, 110, 170, 45);
const QColor kRulerBack(38, 43, 54);
const QColor kLabel(210, 215, 225);
const QColor kCursor(255, 255, 255);

bool IsBlackKey(int note)
{
    const int n = note % 12;
    return n == 1 || n == 3 || n == 6 || n == 8 || n == 10;
}

// Loud notes full, quieter ones fainter; a silent one shows only its outline.
QColor StrengthOf(QColor colour, int atten)
{
    colour.setAlpha(atten >= kAgiSilentAttenuation ? 0 : 255 - atten * 12);
    return colour;
}

QFont LabelFont()
{
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(9);
    return font;
}
} // namespace

void CPianoRollView::OnDraw(QPainter& dc, const QRect& rcClip)
{
    EnsureBars();
    AdoptTrackerChannel();
    dc.fillRect(rcClip, kBackground);
    dc.setFont(LabelFont());
    const QRect grid = GridRect();
    dc.save();
    dc.setClipRect(grid.united(NoiseLaneRect()).intersected(rcClip));
    PaintGrid(dc, grid);
    for (int channel = 0; channel < kNoiseChannel; ++channel)
        if (channel != m_nVoice)
            PaintBars(dc, channel);
    if (m_nVoice != kNoiseChannel)
        PaintBars(dc, m_nVoice);
    PaintNoiseLane(dc);
    // The keyboard cursor: one row at one pitch of the current voice.
    const int x = RowToX(m_nCursorRow);
    const int w = std::max(static_cast<int>(m_pxPerRow), 2);
    const QRect cursor = m_nVoice == kNoiseChannel
                             ? QRect(x, NoiseLaneRect().top() + 1, w, kNoiseLaneHeight - 2)
                             : QRect(x, PitchToY(m_nCursorNote), w, m_nKeyHeight);
    dc.setPen(QPen(hasFocus() ? kCursor : kBarLine, 1, Qt::DotLine));
    dc.setBrush(Qt::NoBrush);
    dc.drawRect(cursor.adjusted(0, 0, -1, -1));
    PaintDragPreview(dc);
    dc.restore();
    PaintKeyboard(dc);
    PaintRuler(dc);
    PaintLegend(dc);
    m_nPlayX = PlayLineX();
    if (m_nPlayX >= 0)
        dc.fillRect(QRect(m_nPlayX - 1, kLegendHeight, 2, viewport()->height()), m_penPlay.color());
}

void CPianoRollView::PaintGrid(QPainter& dc, const QRect& grid) const
{
    for (int note = YToNote(grid.top()); note >= YToNote(grid.bottom()); --note)
        if (IsBlackKey(note))
            dc.fillRect(QRect(grid.left(), PitchToY(note), grid.width(), m_nKeyHeight),
                        kBlackKeyRow);

    const CSoundDoc& doc = *GetDocument();
    const PlayRange range = doc.GetPlayRange();
    const QRect lanes = grid.united(NoiseLaneRect());
    const int xStart = std::max(RowToX(range.start), lanes.left());
    const int xEnd = std::min(RowToX(range.end), lanes.right());
    if (xEnd > xStart)
        dc.fillRect(QRect(xStart, lanes.top(), xEnd - xStart, lanes.height()), kRangeShade);

    // Beat lines where they are far enough apart to read, else bar lines, else every few bars.
    const int beat = std::max(doc.GetTracksPerBeat(), 1);
    const int bar = 4 * beat;
    int every = beat;
    while (every * m_pxPerRow < 6 && every < INT32_MAX / 8)
        every *= every == beat ? 4 : 2;
    const auto first = static_cast<std::int64_t>(std::floor(XToRow(lanes.left()) / every)) * every;
    for (std::int64_t row = std::max<std::int64_t>(first, 0); RowToX(double(row)) <= lanes.right();
         row += every)
        dc.fillRect(QRect(RowToX(double(row)), lanes.top(), 1, lanes.height()),
                    row % bar == 0 ? kBarLine : kBeatLine);
    dc.fillRect(QRect(lanes.left(), grid.bottom(), lanes.width(), 1), kBarLine);

    // Every placement of the pattern chosen on the ruler: editing one edits them all.
    if (m_rulerPick)
        for (const auto& [pos, pPattern] : doc.GetSequence(m_rulerPick->first))
            if (pPattern->GetId() == m_rulerPick->second)
            {
                const QRect span(
                    QPoint(RowToX(pos), lanes.top()),
                    QPoint(RowToX(double(pos) + pPattern->GetRows()) - 1, lanes.bottom()));
                dc.fillRect(span.intersected(lanes), QColor(255, 255, 255, 18));
            }
}

void CPianoRollView::PaintBars(QPainter& dc, int channel) const
{
    const ChannelBars& bars = m_bars[channel];
    const QRect grid = GridRect();
    const auto from = static_cast<std::int32_t>(std::floor(XToRow(grid.left())));
    const auto to = static_cast<std::int32_t>(std::ceil(XToRow(grid.right() + 1)));
    const auto [first, last] = bars.Overlapping(from, to);
    const QColor colour = kVoiceColours[channel];
    const bool bCurrent = channel == m_nVoice;
    QColor outline = colour.darker(bCurrent ? 160 : 220);
    // Zoomed out, many bars fall on the same pixels of a pitch: each pixel is drawn once.
    std::array<int, kTopNote + 1> drawnTo;
    drawnTo.fill(std::numeric_limits<int>::min());
    for (std::size_t i = first; i < last; ++i)
    {
        const NoteBar& bar = bars.bars[i];
        const QRect rect = BarRect(channel, bar);
        int& drawn = drawnTo[static_cast<std::size_t>(
            std::clamp(bar.note, std::uint8_t{0}, std::uint8_t{kTopNote}))];
        if (rect.isEmpty() || rect.right() <= drawn)
            continue;
        drawn = rect.right();
        QColor fill = StrengthOf(colour, bar.atten);
        if (!bCurrent)
            fill.setAlpha(fill.alpha() * 2 / 3);
        dc.fillRect(rect, fill);
        // The bar's left end is where its instrument number will stand.
        if (rect.width() > 3 && rect.height() > 3)
        {
            dc.setPen(m_selection.count({channel, bar.start}) != 0 ? QPen(Qt::white, 2)
                                                                   : QPen(outline, 1));
            dc.setBrush(Qt::NoBrush);
            dc.drawRect(rect.adjusted(0, 0, -1, -1));
        }
    }
}

void CPianoRollView::PaintNoiseLane(QPainter& dc) const
{
    const QRect lane = NoiseLaneRect();
    const ChannelBars& bars = m_bars[kNoiseChannel];
    const auto from = static_cast<std::int32_t>(std::floor(XToRow(lane.left())));
    const auto to = static_cast<std::int32_t>(std::ceil(XToRow(lane.right() + 1)));
    const auto [first, last] = bars.Overlapping(from, to);
    const QColor colour = kVoiceColours[kNoiseChannel];
    for (std::size_t i = first; i < last; ++i)
    {
        const NoteBar& bar = bars.bars[i];
        const QRect rect = BarRect(kNoiseChannel, bar);
        if (rect.isEmpty())
            continue;
        dc.fillRect(rect, StrengthOf(colour, bar.atten));
        const bool bSelected = m_selection.count({kNoiseChannel, bar.start}) != 0;
        dc.setPen(bSelected ? QPen(Qt::white, 2) : QPen(colour.darker(180), 1));
        dc.setBrush(Qt::NoBrush);
        dc.drawRect(rect.adjusted(0, 0, -1, -1));
        // Its rate and type: "2W" white noise at rate 2, "0P" periodic at rate 0.
        if (rect.width() >= 16)
        {
            dc.setPen(Qt::black);
            dc.drawText(rect, Qt::AlignCenter,
                        QStringLiteral("%1%2").arg(bar.note).arg(
                            bar.noiseType == NOISE_WHITE ? QLatin1Char('W') : QLatin1Char('P')));
        }
    }
}

void CPianoRollView::PaintKeyboard(QPainter& dc) const
{
    const QRect grid = GridRect();
    dc.save();
    dc.setClipRect(QRect(0, grid.top(), kKeyboardWidth, grid.height()));
    dc.fillRect(QRect(0, grid.top(), kKeyboardWidth, grid.height()), QColor(235, 235, 235));
    for (int note = YToNote(grid.top()); note >= YToNote(grid.bottom()); --note)
    {
        const int y = PitchToY(note);
        if (IsBlackKey(note))
            dc.fillRect(QRect(0, y, kKeyboardWidth * 3 / 5, m_nKeyHeight), QColor(30, 30, 30));
        else if (note % 12 == 0 || note % 12 == 5)
            dc.fillRect(QRect(0, y + m_nKeyHeight - 1, kKeyboardWidth, 1), QColor(150, 150, 150));
        if (note % 12 == 0 && m_nKeyHeight >= 6)
        {
            dc.setPen(QColor(40, 40, 40));
            dc.drawText(QRect(0, y + m_nKeyHeight - 12, kKeyboardWidth - 3, 12),
                        Qt::AlignRight | Qt::AlignBottom, QStringLiteral("C%1").arg(note / 12));
        }
    }
    dc.restore();
    const QRect lane = NoiseLaneRect();
    dc.fillRect(QRect(0, lane.top(), kKeyboardWidth, lane.height()), kRulerBack);
    dc.setPen(kVoiceColours[kNoiseChannel]);
    dc.drawText(QRect(2, lane.top(), kKeyboardWidth - 4, lane.height()), Qt::AlignCenter,
                QString::fromLatin1(g_channelNames[kNoiseChannel]));
}

void CPianoRollView::PaintRuler(QPainter& dc) const
{
    const CSoundDoc& doc = *GetDocument();
    const QRect client = viewport()->rect();
    dc.fillRect(QRect(0, kLegendHeight, client.width(), kRulerHeight + kTimeHeaderHeight),
                kRulerBack);
    const QRect strip(kKeyboardWidth, kLegendHeight, client.width() - kKeyboardWidth,
                      kRulerHeight + kTimeHeaderHeight);
    dc.save();
    dc.setClipRect(strip);
    const double from = XToRow(strip.left());
    const double to = XToRow(strip.right() + 1);
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        const CSoundDoc::Sequence& sequence = doc.GetSequence(channel);
        const int top = kLegendHeight + channel * kRulerLaneHeight;
        auto it = sequence.upper_bound(static_cast<std::int32_t>(std::max(from, 0.0)));
        if (it != sequence.begin())
            --it;
        for (; it != sequence.end() && it->first < to; ++it)
        {
            std::int64_t end = std::int64_t{it->first} + it->second->GetRows();
            if (const auto next = std::next(it); next != sequence.end())
                end = std::min<std::int64_t>(end, next->first);
            const QRect block(QPoint(RowToX(it->first), top + 1),
                              QPoint(RowToX(double(end)) - 1, top + kRulerLaneHeight - 2));
            if (block.right() < strip.left())
                continue;
            const bool bPicked = m_rulerPick && m_rulerPick->first == channel &&
                                 m_rulerPick->second == it->second->GetId();
            dc.fillRect(block, kVoiceColours[channel].darker(bPicked ? 130 : 250));
            dc.setPen(bPicked ? QPen(Qt::white, 1) : QPen(kVoiceColours[channel].darker(150)));
            dc.drawRect(block.adjusted(0, 0, -1, -1));
            if (block.width() > 12)
            {
                dc.setPen(kLabel);
                dc.drawText(block.adjusted(2, 0, -1, 0), Qt::AlignVCenter | Qt::AlignLeft,
                            QString::fromStdString(it->second->GetName()));
            }
        }
    }
    // The time header: row numbers at the bar lines, as far apart as they need to be read.
    const int bar = 4 * std::max(doc.GetTracksPerBeat(), 1);
    std::int64_t every = bar;
    while (every * m_pxPerRow < 48 && every < INT32_MAX / 4)
        every *= 2;
    const int top = kLegendHeight + kRulerHeight;
    dc.setPen(kLabel);
    for (std::int64_t row = std::max<std::int64_t>(std::int64_t(from / every) * every, 0); row < to;
         row += every)
    {
        const int x = RowToX(double(row));
        dc.fillRect(QRect(x, top + 8, 1, kTimeHeaderHeight - 8), kLabel);
        dc.drawText(QRect(x + 2, top, 80, kTimeHeaderHeight), Qt::AlignLeft | Qt::AlignVCenter,
                    QString::number(row));
    }
    dc.restore();
    dc.setPen(kLabel);
    for (int channel = 0; channel < kChannelCount; ++channel)
        dc.drawText(QRect(2, kLegendHeight + channel * kRulerLaneHeight, kKeyboardWidth - 4,
                          kRulerLaneHeight),
                    Qt::AlignVCenter | Qt::AlignLeft, QString::fromLatin1(g_channelNames[channel]));
}

void CPianoRollView::PaintLegend(QPainter& dc) const
{
    const unsigned mute = GetSession().GetMuteMask();
    dc.fillRect(QRect(0, 0, viewport()->width(), kLegendHeight), QColor(20, 22, 28));
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        const int left = 4 + channel * kLegendItemWidth;
        const bool bMuted = (mute & (1u << channel)) != 0;
        const QRect swatch(left, 5, 10, 10);
        dc.fillRect(swatch, bMuted ? kVoiceColours[channel].darker(300) : kVoiceColours[channel]);
        if (channel == m_nVoice)
        {
            dc.setPen(QPen(Qt::white, 1));
            dc.drawRect(QRect(left - 2, 2, kLegendItemWidth - 6, kLegendHeight - 4));
        }
        QFont font = dc.font();
        font.setStrikeOut(bMuted);
        dc.setFont(font);
        dc.setPen(bMuted ? QColor(120, 120, 120) : kLabel);
        dc.drawText(QRect(left + 14, 0, 50, kLegendHeight), Qt::AlignVCenter,
                    QString::fromLatin1(g_channelNames[channel]));
        font.setStrikeOut(false);
        dc.setFont(font);
        // M mutes, S solos: the same as Ctrl+1…4 and the scopes.
        for (int button = 0; button < 2; ++button)
        {
            const QRect box(left + 66 + button * 22, 3, 18, kLegendHeight - 6);
            const bool bOn = button == 0 ? bMuted : mute != 0 && mute == (0xFu & ~(1u << channel));
            dc.fillRect(box, bOn ? QColor(200, 80, 60) : QColor(55, 60, 72));
            dc.setPen(kLabel);
            dc.drawText(box, Qt::AlignCenter,
                        button == 0 ? QStringLiteral("M") : QStringLiteral("S"));
        }
    }
}

void CPianoRollView::PaintDragPreview(QPainter& dc) const
{
    if (m_drag == Drag::Band)
    {
        dc.setPen(QPen(Qt::white, 1, Qt::DashLine));
        dc.setBrush(QColor(255, 255, 255, 30));
        dc.drawRect(QRect(m_pressPoint, m_dragPoint).normalized());
    }
    else if (m_drag == Drag::Draw)
    {
        const auto [start, end] = DrawnSpan(m_dragPoint, m_dragModifiers);
        const int y = m_nVoice == kNoiseChannel ? NoiseLaneRect().top() + 3
                                                : PitchToY(YToNote(m_pressPoint.y()));
        const int h = m_nVoice == kNoiseChannel ? kNoiseLaneHeight - 6 : m_nKeyHeight;
        dc.setPen(QPen(Qt::white, 1, Qt::DashLine));
        dc.setBrush(Qt::NoBrush);
        dc.drawRect(QRect(QPoint(RowToX(start), y), QPoint(RowToX(end) - 1, y + h - 1)));
    }
}
