// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/SteadyClock.h"

#include <chrono>

double SteadyClockSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
