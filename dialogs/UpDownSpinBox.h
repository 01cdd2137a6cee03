// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSpinBox>

// A number field with arrows, as an edit with an attached up-down control behaves: any integer
// may be typed (the dialog's checks refuse what is out of range), while the arrows, the arrow
// keys and the wheel move the number within the control's own range. A field left empty (or
// holding only a sign) stays so until the dialog refuses it, rather than quietly getting its
// old number back.
class CUpDownSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit CUpDownSpinBox(QWidget* pParent = nullptr);

    void SetStepRange(int nLower, int nUpper);
    int GetLower() const { return m_nLower; }
    int GetUpper() const { return m_nUpper; }

    void stepBy(int nSteps) override;
    // Wide enough for the numbers the arrows reach, not for every integer that may be typed.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // Where one press leads from nPos; the result is then held within the range.
    virtual qint64 StepTarget(int nPos, int nSteps) const;
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    int m_nLower = 0;
    int m_nUpper = 100;
};
