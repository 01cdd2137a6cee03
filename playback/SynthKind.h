// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The choice of synthesizer lives beside the exports that need it too.
#include "sound/SynthKind.h"
