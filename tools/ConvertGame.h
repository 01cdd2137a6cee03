// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/InterpreterFade.h"

#include <cstdint>
#include <string>
#include <vector>

// The converter's game folder commands. Each prints its failure on stderr and returns false.
bool ListGameSounds(const std::string& dir);
// The fade of the game's interpreter goes to pFade when it is given.
bool ReadGameSound(const std::string& dir, int n, std::vector<std::uint8_t>& resource,
                   FadeKind* pFade = nullptr);
bool WriteGameSound(const std::string& dir, int n, const std::vector<std::uint8_t>& resource);
