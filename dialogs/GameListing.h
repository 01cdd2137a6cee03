// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/GameFolder.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// CGameFolder::ListSounds on a thread of its own: a folder of hundreds of thousands of entries
// takes a while, and the window keeps painting and answering meanwhile, under a busy cursor.
// Runs a nested event loop until the listing is done.
std::string ListGameSoundsAside(const CGameFolder& game, std::vector<GameSoundInfo>& sounds,
                                std::vector<std::string>* pWarnings = nullptr);

// A sound's length of engine ticks as m:ss.
QString GameSoundLength(std::int64_t ticks);
