// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// General MIDI program names, 0-127, for the core's MIDI import.
constexpr int kGeneralMidiPrograms = 128;
extern const char* const g_generalMidiNames[kGeneralMidiPrograms];
