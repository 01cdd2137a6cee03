// SPDX-License-Identifier: GPL-3.0-or-later
// Listing a version 3 game of 100 compressed sounds as the converter's --list does: find the
// layout, read the directory, read each volume file once, decode and measure every sound.
#include "framework/File.h"
#include "game/AgiFolderLayout.h"
#include "game/AgiV3Directory.h"
#include "game/AgiV3Volume.h"
#include "game/InterpreterVersion.h"
#include "sound/AgiResource.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
constexpr int kSounds = 100;
constexpr std::uint64_t kMaxFileBytes = 16 * 1024 * 1024;

void Put16(GameBytes& bytes, std::size_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A tune of a few kilobytes: 200 notes on each tone voice from a small set of pitches.
GameBytes MakeSound(int seed)
{
    std::uint32_t state = static_cast<std::uint32_t>(seed) * 2654435761u + 1;
    auto next = [&state](int range)
    {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % static_cast<std::uint32_t>(range));
    };
    GameBytes sound;
    GameBytes voices[4];
    for (int c = 0; c < 4; ++c)
    {
        for (int i = 0; c < 3 && i < 200; ++i)
        {
            const int divisor = 200 + 40 * next(8);
            voices[c].insert(voices[c].end(),
                             {static_cast<std::uint8_t>(4 + 4 * next(4)), 0,
                              static_cast<std::uint8_t>(divisor >> 4),
                              static_cast<std::uint8_t>(0x80 + 32 * c + (divisor & 15)),
                              static_cast<std::uint8_t>(0x90 + 32 * c + next(4))});
        }
        voices[c].insert(voices[c].end(), {0xFF, 0xFF});
    }
    std::size_t offset = 8;
    for (const GameBytes& v : voices)
    {
        Put16(sound, offset);
        offset += v.size();
    }
    for (const GameBytes& v : voices)
        sound.insert(sound.end(), v.begin(), v.end());
    return sound;
}

void WriteFile(const fs::path& path, const GameBytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// KQ4DIR with 100 sounds spread over two volume files, and an AGIDATA.OVL.
fs::path MakeGame()
{
    const fs::path dir =
        fs::temp_directory_path() / ("tarvok-v3-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    GameBytes vols[2], soundSection;
    for (int n = 0; n < kSounds; ++n)
    {
        const int volume = n % 2;
        GameBytes record;
        MakeV3SoundRecord(volume, MakeSound(n), record);
        const GameBytes entry = {static_cast<std::uint8_t>(volume << 4 | vols[volume].size() >> 16),
                                 static_cast<std::uint8_t>(vols[volume].size() >> 8),
                                 static_cast<std::uint8_t>(vols[volume].size())};
        soundSection.insert(soundSection.end(), entry.begin(), entry.end());
        vols[volume].insert(vols[volume].end(), record.begin(), record.end());
    }
    GameBytes directory;
    for (int k = 0; k < kAgiSections; ++k)
        Put16(directory, kV3DirHeaderBytes);
    directory.insert(directory.end(), soundSection.begin(), soundSection.end());
    WriteFile(dir / "KQ4DIR", directory);
    WriteFile(dir / "KQ4VOL.0", vols[0]);
    WriteFile(dir / "KQ4VOL.1", vols[1]);
    const std::string agidata = std::string(20000, '\0') + "Version 3.002.086";
    WriteFile(dir / "AGIDATA.OVL", GameBytes(agidata.begin(), agidata.end()));
    return dir;
}

GameBytes ReadBytes(const fs::path& path)
{
    const std::string data = ReadWholeFile(path.string(), kMaxFileBytes);
    return {data.begin(), data.end()};
}

// The number of sounds listed undamaged.
int ListGame(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    const AgiFolderLayout layout = FindAgiFolderLayout(names);
    const InterpreterVersion version =
        FindInterpreterVersion(ReadBytes(dir / layout.agidataName), layout.version);
    benchmark::DoNotOptimize(version);
    const GameBytes directory = ReadBytes(dir / layout.dirName);
    AgiV3Sections sections;
    if (!ReadV3Sections(directory, layout.dirName, sections).empty())
        return 0;
    std::map<int, GameBytes> vols;
    int good = 0;
    for (int n = 0; n < V3EntryCount(sections, EAgiSection::Sound); ++n)
    {
        const AgiDirEntry entry = ReadV3DirEntry(directory, sections, EAgiSection::Sound, n);
        if (!vols.count(entry.volume))
            vols[entry.volume] = ReadBytes(dir / layout.volNames.at(entry.volume));
        GameBytes sound;
        std::int64_t ticks = 0;
        if (ReadV3Sound(vols[entry.volume], "", entry, sound).empty() &&
            MeasureAgiResource(sound, ticks).empty())
            ++good;
    }
    return good;
}

void BM_ListVersionThreeGame(benchmark::State& state)
{
    const fs::path dir = MakeGame();
    int good = 0;
    for (auto _ : state)
        good = ListGame(dir);
    if (good != kSounds)
        state.SkipWithError("not every sound reads back");
    fs::remove_all(dir);
}
} // namespace

BENCHMARK(BM_ListVersionThreeGame)->Unit(benchmark::kMillisecond);
