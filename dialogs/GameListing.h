// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/GameFolder.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QWidget;

// CGameFolder::ListSounds aside from the window's thread (see RunAside): a folder on a slow
// disk can take a while, and the person may cancel it. Returns "" or the error to show;
// *pCancelled says whether the person cancelled (then there is nothing to show).
std::string ListGameSoundsAside(const CGameFolder& game, std::vector<GameSoundInfo>& sounds,
                                QWidget* pParent, bool* pCancelled = nullptr);

// A sound's length of engine ticks as m:ss.
QString GameSoundLength(std::int64_t ticks);
