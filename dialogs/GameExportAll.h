// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/GameSoundExport.h"

#include <QString>

#include <vector>

class QWidget;

// A format every sound of a game can be written in.
struct GameExportFormat
{
    QString label;
    std::string extension;
    GameSoundWriter writer;
};

// Asks for a format and a folder, then writes every sound of the game there with a progress
// dialog whose Cancel stops after the sounds being written (the files written stay); the
// sounds skipped are told at the end. False when nothing was asked for or written.
bool ExportAllGameSounds(const CGameFolder& game, const std::vector<GameExportFormat>& formats,
                         QWidget* pParent);
