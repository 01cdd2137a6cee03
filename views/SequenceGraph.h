// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/Instrument.h"

#include <QWidget>

// One sequence of an instrument as bars, one a tick, drawn into with the mouse: a press sets
// the bar under it, a drag every bar it crosses. The whole stroke is one change, told when
// the button is let go. The loop and release indices are marked above their bars.
class CSequenceGraph : public QWidget
{
    Q_OBJECT
public:
    CSequenceGraph(SequenceKind kind, QWidget* pParent = nullptr);

    SequenceKind Kind() const { return m_kind; }
    // Shown as it is; a stroke in progress is dropped.
    void SetSequence(const InstrumentSequence& sequence);
    const InstrumentSequence& Sequence() const { return m_sequence; }

    // The bar and value at a point of the widget, kept within the sequence and its range.
    int BarAt(int x) const;
    int ValueAt(int y) const;
    QSize sizeHint() const override { return {320, 90}; }

signals:
    // A stroke ended having changed these values.
    void Drawn(const InstrumentSequence& sequence);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    void Draw(const QPoint& at);
    double BarWidth() const;
    int YOf(int value) const;

    SequenceKind m_kind;
    SequenceRange m_range;
    InstrumentSequence m_sequence;
    bool m_bStroke = false;
    bool m_bChanged = false;
    int m_nLastBar = -1;
};
