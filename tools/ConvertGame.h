// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/InterpreterFade.h"

#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;

// The converter's game folder commands. Each prints its failure on stderr and returns false.
bool ListGameSounds(const std::string& dir);
// The fade of the game's interpreter goes to pFade when it is given.
bool ReadGameSound(const std::string& dir, int n, std::vector<std::uint8_t>& resource,
                   FadeKind* pFade = nullptr);
// Sound n as the document the game keeps beside it, or imported (saying why on stderr).
bool ReadGameDocument(const std::string& dir, int n, CSoundDoc& doc);
// document: the .tks bytes the resource was made from, kept beside it in the game, or "".
bool WriteGameSound(const std::string& dir, int n, const std::vector<std::uint8_t>& resource,
                    const std::string& document);
