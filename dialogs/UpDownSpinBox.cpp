// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/UpDownSpinBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStyleOptionSpinBox>

#include <algorithm>
#include <limits>

CUpDownSpinBox::CUpDownSpinBox(QWidget* pParent) : QSpinBox(pParent)
{
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setGroupSeparatorShown(false);
}

void CUpDownSpinBox::SetStepRange(int nLower, int nUpper)
{
    m_nLower = std::min(nLower, nUpper);
    m_nUpper = std::max(nLower, nUpper);
    updateGeometry();
}

QSize CUpDownSpinBox::sizeHint() const
{
    ensurePolished();
    int nWidth = 0;
    for (const int n : {m_nLower, m_nUpper})
        nWidth = std::max(nWidth, fontMetrics().horizontalAdvance(textFromValue(n) + u' '));
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    // Two pixels more for the text cursor, as Qt's own spin boxes leave.
    const QSize text(nWidth + 2, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, text, this);
}

QSize CUpDownSpinBox::minimumSizeHint() const
{
    return sizeHint();
}

qint64 CUpDownSpinBox::StepTarget(int nPos, int nSteps) const
{
    return qint64{nPos} + nSteps;
}

void CUpDownSpinBox::stepBy(int nSteps)
{
    if (nSteps == 0)
        return;
    interpretText();
    setValue(static_cast<int>(std::clamp<qint64>(StepTarget(value(), nSteps), m_nLower, m_nUpper)));
    selectAll();
}

QAbstractSpinBox::StepEnabled CUpDownSpinBox::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    StepEnabled steps = StepNone;
    if (value() < m_nUpper)
        steps |= StepUpEnabled;
    if (value() > m_nLower)
        steps |= StepDownEnabled;
    return steps;
}

void CUpDownSpinBox::keyPressEvent(QKeyEvent* pEvent)
{
    // The dialog's default button then reads the field as it is.
    const bool bEnter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    if (bEnter && !hasAcceptableInput())
    {
        pEvent->ignore();
        return;
    }
    QSpinBox::keyPressEvent(pEvent);
}

void CUpDownSpinBox::focusOutEvent(QFocusEvent* pEvent)
{
    if (!hasAcceptableInput())
    {
        QWidget::focusOutEvent(pEvent);
        return;
    }
    QSpinBox::focusOutEvent(pEvent);
}
