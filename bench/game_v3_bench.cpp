// SPDX-License-Identifier: GPL-3.0-or-later
// A version 3 game of 100 compressed sounds: listed as the converter's --list does (find the
// layout, read the directory, read each volume file once, decode and measure every sound), and
// every sound exported as a .wav as --all does.
#include "framework/AtomicFile.h"
#include "game/AgiV3Directory.h"
#include "game/AgiV3Volume.h"
#include "game/GameFolder.h"
#include "game/GameSoundExport.h"
#include "playback/WavWriter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
constexpr int kSounds = 100;

void Put16(GameBytes& bytes, std::size_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A tune on each tone voice from a small set of pitches: notes of 4 to 16 ticks, or all of
// ticksPerNote.
GameBytes MakeSound(int seed, int nNotes, int ticksPerNote)
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
        for (int i = 0; c < 3 && i < nNotes; ++i)
        {
            const int divisor = 200 + 40 * next(8);
            const int ticks = ticksPerNote != 0 ? ticksPerNote : 4 + 4 * next(4);
            voices[c].insert(voices[c].end(),
                             {static_cast<std::uint8_t>(ticks), 0,
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
fs::path MakeGame(int nNotes, int ticksPerNote)
{
    const fs::path dir =
        fs::temp_directory_path() / ("tarvok-v3-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    GameBytes vols[2], soundSection;
    for (int n = 0; n < kSounds; ++n)
    {
        const int volume = n % 2;
        GameBytes record;
        MakeV3SoundRecord(volume, MakeSound(n, nNotes, ticksPerNote), record);
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

void BM_ListVersionThreeGame(benchmark::State& state)
{
    const fs::path dir = MakeGame(200, 0);
    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    for (auto _ : state)
        if (!game.Open(dir.string()).empty() || !game.ListSounds(sounds).empty())
            state.SkipWithError("the game cannot be listed");
    for (const GameSoundInfo& sound : sounds)
        if (!sound.damaged.empty())
            state.SkipWithError("not every sound reads back");
    fs::remove_all(dir);
}

// Ten minutes of sound in all: 100 sounds of 36 notes of 10 ticks, on two threads.
void BM_ExportAllAsWav(benchmark::State& state)
{
    const fs::path dir = MakeGame(36, 10);
    const fs::path out = dir / "out";
    CGameFolder game;
    for (auto _ : state)
    {
        CGameSoundExport exporter;
        const FadeKind fade =
            game.Open(dir.string()).empty() ? game.GetInterpreterFade() : FadeKind::None;
        const auto writeWav = [fade](int, const GameBytes& resource, const std::string& path)
        {
            const WavOptions options{SynthKind::PCjr, {}, fade};
            const Status written = WriteAtomically(
                path, [&](CFile& out) { return ExportAgiWav(resource, options, out); });
            return written.Ok() ? std::string() : written.Error();
        };
        if (!exporter.Read(game).empty() ||
            !exporter.Write(out.string(), "wav", writeWav, 2).empty() ||
            exporter.GetWritten() != kSounds)
            state.SkipWithError("not every sound was written");
    }
    state.counters["x_realtime"] = benchmark::Counter(
        600.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    fs::remove_all(dir);
}
} // namespace

BENCHMARK(BM_ListVersionThreeGame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportAllAsWav)->Unit(benchmark::kMillisecond)->UseRealTime();
