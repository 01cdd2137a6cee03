// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertGame.h"

#include "game/GameFolder.h"
#include "game/GameSoundDocument.h"
#include "tools/ConvertMessages.h"

#include <cstdio>

namespace
{
// The game folder's messages name the folder themselves.
bool Fail(const std::string& message)
{
    PrintNote({}, message);
    return false;
}
} // namespace

bool ListGameSounds(const std::string& dir)
{
    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    std::vector<std::string> warnings;
    if (std::string error = game.Open(dir); !error.empty())
        return Fail(error);
    if (std::string error = game.ListSounds(sounds, &warnings); !error.empty())
        return Fail(error);
    for (const std::string& warning : warnings)
        PrintNote({}, warning);
    std::printf("%s\n", game.Describe().c_str());
    for (const GameSoundInfo& sound : sounds)
        if (!sound.damaged.empty())
            std::printf("sound %d: damaged: %s\n", sound.number, sound.damaged.c_str());
        else if (sound.compressedBytes != 0)
            std::printf("sound %d: %zu bytes, %lld ticks (stored compressed in %zu bytes)\n",
                        sound.number, sound.bytes, static_cast<long long>(sound.ticks),
                        sound.compressedBytes);
        else
            std::printf("sound %d: %zu bytes, %lld ticks\n", sound.number, sound.bytes,
                        static_cast<long long>(sound.ticks));
    return true;
}

bool ReadGameSound(const std::string& dir, int n, std::vector<std::uint8_t>& resource,
                   FadeKind* pFade)
{
    CGameFolder game;
    if (std::string error = game.Open(dir); !error.empty())
        return Fail(error);
    if (std::string error = game.ReadSound(n, resource); !error.empty())
        return Fail(error);
    if (pFade != nullptr)
        *pFade = game.GetInterpreterFade();
    return true;
}

bool ReadGameDocument(const std::string& dir, int n, CSoundDoc& doc)
{
    CGameFolder game;
    if (std::string error = game.Open(dir); !error.empty())
        return Fail(error);
    const Result<GameSoundDocument> read = ReadGameSoundDocument(game, n, doc);
    if (!read.Ok())
        return Fail(read.Error());
    if (!read.Value().note.empty())
        PrintNote(dir, read.Value().note);
    return true;
}

bool WriteGameSound(const std::string& dir, int n, const std::vector<std::uint8_t>& resource,
                    const std::string& document)
{
    CGameFolder game;
    if (std::string error = game.Open(dir); !error.empty())
        return Fail(error);
    SoundWriteOptions options;
    options.document = document;
    // The message says so when the sound went in but could not be read back.
    if (const SoundWriteResult written = game.WriteSound(n, resource, options);
        !written.message.empty())
        return Fail(written.message);
    return true;
}
