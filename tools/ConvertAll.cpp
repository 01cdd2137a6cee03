// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertAll.h"

#include "game/GameSoundExport.h"
#include "tools/ConvertMessages.h"

#include <algorithm>
#include <cstdio>
#include <thread>
#include <unistd.h>

bool ConvertAllGameSounds(const std::string& dir, const std::string& outDir,
                          const std::string& extension, const GameSoundConversion& convert)
{
    CGameFolder game;
    CGameSoundExport exporter;
    std::string error = game.Open(dir);
    if (error.empty())
        error = exporter.Read(game);
    if (!error.empty())
    {
        PrintNote({}, error);
        return false;
    }
    for (const std::string& damaged : exporter.GetDamaged())
        PrintNote(dir, damaged + " (skipped)");

    const FadeKind fade = game.GetInterpreterFade();
    const auto writer = [&](int n, const GameBytes& resource, const std::string& path)
    {
        // The conversion has printed why; a line of its own would say it twice.
        return convert(n, resource, fade, path) ? std::string() : std::string("not written");
    };
    const bool bTerminal = ::isatty(STDERR_FILENO) != 0;
    const auto progress = [bTerminal](int done, int total)
    {
        if (bTerminal)
            std::fprintf(stderr, "\rsound %d of %d", done, total);
    };
    error = exporter.Write(outDir, extension, writer,
                           static_cast<int>(std::max(1u, std::thread::hardware_concurrency())),
                           progress);
    if (bTerminal && exporter.Count() > 0)
        std::fputc('\n', stderr);
    if (!error.empty())
    {
        PrintNote({}, error);
        return false;
    }
    return exporter.GetDamaged().empty() && exporter.GetFailed().empty();
}
