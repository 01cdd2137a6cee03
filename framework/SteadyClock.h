// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Now, in seconds of the steady clock: the one clock the play thread's row reports and the
// editor's note keys are both timed by, so the two can be compared. Any thread.
double SteadyClockSeconds();
