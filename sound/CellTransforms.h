// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundPattern.h"

#include <vector>

// Whole-block edits of cells, as the pattern editor applies them to its selection.

// Notes move by the semitones and stop at C-0 and A-9 rather than wrap, an exact divisor
// with them; rests, empty cells and noise cells stay.
SoundCell TransposeCell(SoundCell cell, int nSemitones, bool bNoise);
// One step louder (-1) or quieter (+1) within 0-14; silent and empty cells stay.
SoundCell NudgeAttenuation(SoundCell cell, int nDelta);
std::vector<SoundCell> TransposeCells(std::vector<SoundCell> cells, int nSemitones, bool bNoise);
// A note without an attenuation of its own first takes the one it plays at: the last one
// set in the cells above it, or nHeldAtten before the first of them.
std::vector<SoundCell> NudgeAttenuation(std::vector<SoundCell> cells, int nDelta, bool bNoise,
                                        int nHeldAtten);
// The attenuation a channel holds after the cells: the last one set, or nHeldAtten.
int HeldAttenuation(const std::vector<SoundCell>& cells, int nHeldAtten);
