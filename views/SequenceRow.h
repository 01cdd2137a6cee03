// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/Instrument.h"

#include <QWidget>

class CSequenceGraph;
class QLineEdit;
class QSpinBox;

// One sequence of the instrument shown in the Instruments window: its bar graph, its values
// as a line of text ("0 1 2 | 3 4 / 5 6") and its length (0: the instrument has none). Each
// way of changing it tells the whole new sequence.
class CSequenceRow : public QWidget
{
    Q_OBJECT
public:
    CSequenceRow(SequenceKind kind, QWidget* pParent = nullptr);

    SequenceKind Kind() const { return m_kind; }
    void SetSequence(const InstrumentSequence& sequence);
    CSequenceGraph* Graph() const { return m_pGraph; }
    QLineEdit* Text() const { return m_pText; }
    QSpinBox* Length() const { return m_pLength; }

signals:
    // verb names the change for the history: "Draw", "Edit", "Resize".
    void Changed(SequenceKind kind, const InstrumentSequence& sequence, const QString& verb);
    // Text that is not a sequence, and why.
    void Refused(const QString& message);

private:
    void OnTextEntered();
    void OnLengthChanged(int nLength);

    SequenceKind m_kind;
    InstrumentSequence m_sequence;
    CSequenceGraph* m_pGraph;
    QLineEdit* m_pText;
    QSpinBox* m_pLength;
};
