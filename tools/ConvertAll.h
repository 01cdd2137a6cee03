// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/InterpreterFade.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Game sound n converted to path as --sound N OUTPUT converts it, fade being the game's
// interpreter's; prints its own failure and returns false.
using GameSoundConversion = std::function<bool(int n, const std::vector<std::uint8_t>& resource,
                                               FadeKind fade, const std::string& path)>;

// Every sound of the game folder dir converted into outDir as sound<NNN>.<extension>, on all
// cores. Damaged sounds are named on stderr and skipped; progress goes to stderr when it is a
// terminal. False when the folder cannot be read or any sound was skipped.
bool ConvertAllGameSounds(const std::string& dir, const std::string& outDir,
                          const std::string& extension, const GameSoundConversion& convert);
