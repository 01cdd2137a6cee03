// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/GameExportAll.h"
#include "playback/SynthKind.h"
#include "sound/InterpreterFade.h"

// The formats a game's sounds are all written in at once, each through the export its own
// command uses: a .wav played by kind with the game's fade, MIDI with program 0 on each voice.
std::vector<GameExportFormat> MakeGameExportFormats(SynthKind kind, FadeKind fade);
