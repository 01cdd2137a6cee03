// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SequenceRow.h"

#include "sound/SequenceNotation.h"
#include "views/SequenceGraph.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

namespace
{
QString Title(SequenceKind kind)
{
    QString name = QString::fromLatin1(SequenceName(kind));
    name[0] = name[0].toUpper();
    return name;
}

// Longer: the new ticks repeat the last value; a new sequence starts as one that changes
// nothing.
InstrumentSequence Resized(SequenceKind kind, InstrumentSequence sequence, int nLength)
{
    const int fill = sequence.Empty() ? 0 : sequence.values.back();
    sequence.values.resize(static_cast<std::size_t>(nLength), fill);
    MakeSequenceValid(kind, sequence);
    return sequence;
}
} // namespace

CSequenceRow::CSequenceRow(SequenceKind kind, QWidget* pParent)
    : QWidget(pParent), m_kind(kind), m_pGraph(new CSequenceGraph(kind, this)),
      m_pText(new QLineEdit(this)), m_pLength(new QSpinBox(this))
{
    const QString name = QString::fromLatin1(SequenceName(kind));
    const QString title = Title(kind);
    const SequenceRange range = RangeOf(kind);
    m_pGraph->setObjectName(name + QStringLiteral("Graph"));
    m_pGraph->setAccessibleName(tr("%1 graph").arg(title));
    m_pGraph->setToolTip(tr("%1, %2 to %3 a tick: draw with the mouse")
                             .arg(title)
                             .arg(range.low)
                             .arg(range.high));
    m_pText->setObjectName(name + QStringLiteral("Text"));
    m_pText->setAccessibleName(tr("%1 values").arg(title));
    m_pText->setToolTip(tr("Values between blanks; \"|\" before the loop, \"/\" before the release"));
    m_pLength->setObjectName(name + QStringLiteral("Length"));
    m_pLength->setAccessibleName(tr("%1 length").arg(title));
    m_pLength->setRange(0, kMaxSequenceLength);
    m_pLength->setSpecialValueText(tr("none"));
    m_pLength->setSuffix(tr(" ticks"));
    // A typed length is one change, not one per digit.
    m_pLength->setKeyboardTracking(false);
    setObjectName(name + QStringLiteral("Row"));
    setAccessibleName(title);

    auto* pLabel = new QLabel(title, this);
    pLabel->setObjectName(name + QStringLiteral("Label"));
    pLabel->setBuddy(m_pText);
    auto* pLayout = new QGridLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(pLabel, 0, 0);
    pLayout->addWidget(m_pLength, 0, 2);
    pLayout->addWidget(m_pGraph, 1, 0, 1, 3);
    pLayout->addWidget(m_pText, 2, 0, 1, 3);
    pLayout->setColumnStretch(1, 1);

    connect(m_pGraph, &CSequenceGraph::Drawn, this,
            [this](const InstrumentSequence& sequence) { emit Changed(m_kind, sequence, tr("Draw")); });
    connect(m_pText, &QLineEdit::editingFinished, this, &CSequenceRow::OnTextEntered);
    connect(m_pLength, &QSpinBox::valueChanged, this, &CSequenceRow::OnLengthChanged);
}

void CSequenceRow::SetSequence(const InstrumentSequence& sequence)
{
    m_sequence = sequence;
    m_pGraph->SetSequence(sequence);
    m_pText->setText(QString::fromStdString(FormatSequence(sequence)));
    const QSignalBlocker block(m_pLength);
    m_pLength->setValue(sequence.Length());
}

void CSequenceRow::OnTextEntered()
{
    Result<InstrumentSequence> parsed = ParseSequence(m_kind, m_pText->text().toStdString());
    if (!parsed)
    {
        emit Refused(tr("%1: %2").arg(Title(m_kind), QString::fromStdString(parsed.Error())));
        return;
    }
    if (parsed.Value() != m_sequence)
        emit Changed(m_kind, parsed.Value(), tr("Edit"));
}

void CSequenceRow::OnLengthChanged(int nLength)
{
    if (nLength != m_sequence.Length())
        emit Changed(m_kind, Resized(m_kind, m_sequence, nLength), tr("Resize"));
}
