// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SequenceGraph.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace
{
constexpr int kMarkHeight = 8; // the strip above the bars for the loop and release marks
} // namespace

CSequenceGraph::CSequenceGraph(SequenceKind kind, QWidget* pParent)
    : QWidget(pParent), m_kind(kind), m_range(RangeOf(kind))
{
    setMinimumSize(120, 60);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::ClickFocus);
}

void CSequenceGraph::SetSequence(const InstrumentSequence& sequence)
{
    m_sequence = sequence;
    m_bStroke = false;
    update();
}

double CSequenceGraph::BarWidth() const
{
    return static_cast<double>(width()) / std::max(m_sequence.Length(), 1);
}

int CSequenceGraph::BarAt(int x) const
{
    const int bar = static_cast<int>(std::floor(x / BarWidth()));
    return std::clamp(bar, 0, std::max(m_sequence.Length() - 1, 0));
}

int CSequenceGraph::ValueAt(int y) const
{
    const int span = m_range.high - m_range.low;
    const double inside = std::max(height() - kMarkHeight - 1, 1);
    const double fromTop = std::clamp<double>(y - kMarkHeight, 0.0, inside);
    // The top is the highest value; the volume's highest is its quietest.
    return m_range.high - static_cast<int>(std::lround(fromTop / inside * span));
}

int CSequenceGraph::YOf(int value) const
{
    const int span = m_range.high - m_range.low;
    const double inside = std::max(height() - kMarkHeight - 1, 1);
    return kMarkHeight + static_cast<int>(std::lround((m_range.high - value) * inside / span));
}

void CSequenceGraph::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const int base = YOf(std::clamp(0, m_range.low, m_range.high));
    p.setPen(palette().mid().color());
    p.drawLine(0, base, width(), base);
    const double w = BarWidth();
    const QColor bar = palette().highlight().color();
    for (int i = 0; i < m_sequence.Length(); ++i)
    {
        const int x0 = static_cast<int>(std::lround(i * w));
        const int x1 = std::max(static_cast<int>(std::lround((i + 1) * w)) - 1, x0 + 1);
        const int y = YOf(m_sequence.values[static_cast<std::size_t>(i)]);
        p.fillRect(QRect(QPoint(x0, std::min(y, base)), QPoint(x1 - 1, std::max(y, base))), bar);
    }
    const auto mark = [&](int index, const QColor& colour)
    {
        if (index == kNoIndex)
            return;
        const int x = static_cast<int>(std::lround(index * w));
        p.fillRect(QRect(x, 0, std::max(static_cast<int>(w), 2), kMarkHeight - 2), colour);
    };
    mark(m_sequence.loop, QColor(40, 160, 40));
    mark(m_sequence.release, QColor(200, 60, 40));
}

void CSequenceGraph::Draw(const QPoint& at)
{
    if (m_sequence.Empty())
        return;
    const int bar = BarAt(at.x());
    const int value = ValueAt(at.y());
    // A fast drag skips bars; the ones between take the new value too.
    const int from = m_nLastBar < 0 ? bar : std::min(bar, m_nLastBar);
    const int to = m_nLastBar < 0 ? bar : std::max(bar, m_nLastBar);
    for (int i = from; i <= to; ++i)
    {
        int& held = m_sequence.values[static_cast<std::size_t>(i)];
        m_bChanged |= held != value;
        held = value;
    }
    m_nLastBar = bar;
    update();
}

void CSequenceGraph::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    m_bStroke = true;
    m_bChanged = false;
    m_nLastBar = -1;
    Draw(pEvent->position().toPoint());
}

void CSequenceGraph::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_bStroke)
        Draw(pEvent->position().toPoint());
}

void CSequenceGraph::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton || !m_bStroke)
        return;
    Draw(pEvent->position().toPoint());
    m_bStroke = false;
    if (m_bChanged)
        emit Drawn(m_sequence);
}
