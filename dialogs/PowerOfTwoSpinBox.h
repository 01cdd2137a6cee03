// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/UpDownSpinBox.h"

// Step sizes and row counts: the arrows move to the next power of two above, or the next one
// below, instead of by one.
class CPowerOfTwoSpinBox : public CUpDownSpinBox
{
    Q_OBJECT

public:
    using CUpDownSpinBox::CUpDownSpinBox;

    // The position one press up (nSteps > 0) or down (nSteps < 0) leads to from nPos.
    static qint64 PowerOfTwoStep(int nPos, int nSteps);

protected:
    qint64 StepTarget(int nPos, int nSteps) const override { return PowerOfTwoStep(nPos, nSteps); }
};
