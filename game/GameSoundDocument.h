// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "game/GameFolder.h"

#include <string>

class CSoundDoc;

// A game's sound opened as a document.
struct GameSoundDocument
{
    // The sound as the game holds it: what a later write into the game expects to find there.
    GameBytes resource;
    // "" or why the document the game keeps was not the one given back ("sound 5 was changed
    // outside Tarvok; imported from the game").
    std::string note;
};

// Fills doc with sound n of the game: the document the game keeps beside it (GameDocuments),
// patterns, names and play range, when the whole song still exports to the game's bytes;
// else the bytes imported, as the import of the resource makes it. A failure when the game's
// sound cannot be read or imported.
Result<GameSoundDocument> ReadGameSoundDocument(const CGameFolder& game, int n, CSoundDoc& doc);
