// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameSoundDocument.h"

#include "game/GameDocuments.h"
#include "sound/AgiFile.h"
#include "sound/SoundDoc.h"

#include <filesystem>

namespace
{
// Whether doc, loaded from the document the game keeps, is the game's sound n; if not, why
// ("" when the game keeps none).
bool IsKeptDocument(const CGameFolder& game, int n, const GameBytes& resource, CSoundDoc& doc,
                    std::string& why)
{
    std::string tks;
    if (why = GameDocuments::Read(game.GetPath(), n, tks); !why.empty() || tks.empty())
        return false;
    if (const Status loaded = doc.LoadFromBytes(tks); !loaded.Ok())
    {
        why = (std::filesystem::path(game.GetPath()) / GameDocuments::NameOf(n)).string() +
              " cannot be read: " + loaded.Error();
        return false;
    }
    const Result<GameBytes> built = BuildAgiBytes(doc, doc.GetWholeSong());
    if (built.Ok() && built.Value() == resource)
        return true;
    why = "sound " + std::to_string(n) + " was changed outside Tarvok";
    return false;
}
} // namespace

Result<GameSoundDocument> ReadGameSoundDocument(const CGameFolder& game, int n, CSoundDoc& doc)
{
    GameSoundDocument read;
    if (std::string error = game.ReadSound(n, read.resource); !error.empty())
        return Failure{std::move(error)};
    std::string why;
    if (IsKeptDocument(game, n, read.resource, doc, why))
        return read;
    if (!doc.OnNewDocument())
        return Failure{};
    if (Status imported = ImportAgi(doc, read.resource); !imported.Ok())
        return imported.GetFailure();
    doc.SetModifiedFlag(false);
    if (!why.empty())
        read.note = why + "; imported from the game";
    return read;
}
