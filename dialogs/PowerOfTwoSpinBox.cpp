// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/PowerOfTwoSpinBox.h"

#include <bit>
#include <cstdint>

qint64 CPowerOfTwoSpinBox::PowerOfTwoStep(int nPos, int nSteps)
{
    // Below 1 there is no power of two to round down to: either arrow starts again at 1.
    if (nPos < 1)
        return 1;
    const qint64 nHighest = std::bit_floor(static_cast<std::uint32_t>(nPos));
    if (nSteps >= 0)
        return 2 * nHighest;
    if (nHighest != nPos)
        return nHighest;
    return nPos - nPos / 2;
}
