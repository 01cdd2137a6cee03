// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertGame.h"

#include "game/GameFolder.h"

#include <cstdio>

namespace
{
bool Fail(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return false;
}
} // namespace

bool ListGameSounds(const std::string& dir)
{
    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    if (std::string error = game.Open(dir); !error.empty())
        return Fail(error);
    if (std::string error = game.ListSounds(sounds); !error.empty())
        return Fail(error);
    for (const GameSoundInfo& sound : sounds)
        if (sound.damaged.empty())
            std::printf("sound %d: %zu bytes, %lld ticks\n", sound.number, sound.bytes,
                        static_cast<long long>(sound.ticks));
        else
            std::printf("sound %d: damaged (%s)\n", sound.number, sound.damaged.c_str());
    return true;
}

bool ReadGameSound(const std::string& dir, int n, std::vector<std::uint8_t>& resource)
{
    CGameFolder game;
    if (std::string error = game.Open(dir); !error.empty())
        return Fail(error);
    if (std::string error = game.ReadSound(n, resource); !error.empty())
        return Fail(error);
    return true;
}

bool WriteGameSound(const std::string& dir, int n, const std::vector<std::uint8_t>& resource)
{
    CGameFolder game;
    if (std::string error = game.Open(dir); !error.empty())
        return Fail(error);
    if (std::string error = game.WriteSound(n, resource); !error.empty())
        return Fail(error);
    return true;
}
