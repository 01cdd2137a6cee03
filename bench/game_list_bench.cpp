// SPDX-License-Identifier: GPL-3.0-or-later
// Listing a hostile game folder: a directory of 349,525 entries (as many as a 1 MB
// directory holds) into a 16 MB VOL file.
#include "game/GameFolder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{
constexpr int kEntries = 349525;
constexpr std::size_t kVolBytes = 16 * 1024 * 1024;

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

// 256 records of a silent sound (four empty channels) at the start of VOL.0; entry n
// points at record n % 256.
std::string MakeHostileGame()
{
    std::string dir = (std::filesystem::temp_directory_path() / "tarvok-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr)
        std::abort();
    const char record[] = {0x12,   0x34,   0,      16,     0,      8,      0,
                           10,     0,      12,     0,      14,     0,      '\xFF',
                           '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF'};
    std::string vol;
    for (int n = 0; n < 256; ++n)
        vol.append(record, sizeof record);
    vol.resize(kVolBytes, '\0');
    std::string sndDir;
    for (int n = 0; n < kEntries; ++n)
    {
        const std::size_t offset = static_cast<std::size_t>(n % 256) * sizeof record;
        sndDir.push_back(static_cast<char>(offset >> 16));
        sndDir.push_back(static_cast<char>(offset >> 8 & 0xFF));
        sndDir.push_back(static_cast<char>(offset & 0xFF));
    }
    WriteFile(dir + "/VOL.0", vol);
    WriteFile(dir + "/SNDDIR", sndDir);
    return dir;
}

void BM_ListHostileGame(benchmark::State& state)
{
    const std::string dir = MakeHostileGame();
    for (auto _ : state)
    {
        CGameFolder game;
        std::vector<GameSoundInfo> sounds;
        std::vector<std::string> warnings;
        if (!game.Open(dir).empty() || !game.ListSounds(sounds, &warnings).empty() ||
            sounds.size() != 256)
            state.SkipWithError("the folder did not list");
        benchmark::DoNotOptimize(sounds.data());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ListHostileGame)->Unit(benchmark::kMillisecond);
} // namespace
