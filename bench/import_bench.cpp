// SPDX-License-Identifier: GPL-3.0-or-later
// A 16-channel MIDI file of 100,000 notes imported and saved as a document, the notes spread
// over 20 minutes and over 4 hours (the import grows with the song), and beside it midicsv
// listing the same file. With TARVOK_IMPORT_BENCH_MIDI set to a path, the 20-minute file is
// written there too.
#include "PeerProcess.h"
#include "sound/MidiImport.h"
#include "sound/SoundDoc.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace
{
constexpr int kChannels = 16;
constexpr int kNotes = 100000;
constexpr std::uint32_t kDivision = 480;
constexpr std::uint32_t kTicksPerMinute = 120 * kDivision; // 120 beats per minute

void AppendVarLen(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::vector<std::uint8_t> reversed{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0)
        reversed.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    out.insert(out.end(), reversed.rbegin(), reversed.rend());
}

void AppendBE(std::vector<std::uint8_t>& out, std::uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> MakeSong(std::uint32_t minutes)
{
    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd'};
    AppendBE(file, 6, 4);
    AppendBE(file, 1, 2);
    AppendBE(file, kChannels, 2);
    AppendBE(file, kDivision, 2);
    std::uint32_t seed = 12345;
    auto random = [&](std::uint32_t n)
    {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    const std::uint32_t period = minutes * kTicksPerMinute / (kNotes / kChannels);
    for (int channel = 0; channel < kChannels; ++channel)
    {
        std::vector<std::uint8_t> track;
        std::uint32_t now = 0;
        for (int i = 0; i < kNotes / kChannels; ++i)
        {
            const std::uint32_t start = static_cast<std::uint32_t>(i) * period + random(period / 4);
            const std::uint32_t length = period / 4 + random(period / 2);
            const auto key =
                static_cast<std::uint8_t>(channel == 9 ? 35 + random(20) : 30 + random(60));
            AppendVarLen(track, start - now);
            track.insert(track.end(), {static_cast<std::uint8_t>(0x90 | channel), key,
                                       static_cast<std::uint8_t>(40 + random(87))});
            if (i % 16 == 0)
                track.insert(track.end(), {0, static_cast<std::uint8_t>(0xE0 | channel), 0,
                                           static_cast<std::uint8_t>(random(128))});
            AppendVarLen(track, length);
            track.insert(track.end(), {static_cast<std::uint8_t>(0x80 | channel), key, 0});
            now = start + length;
        }
        track.insert(track.end(), {0, 0xFF, 0x2F, 0});
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        AppendBE(file, static_cast<std::uint32_t>(track.size()), 4);
        file.insert(file.end(), track.begin(), track.end());
    }
    return file;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::size_t ImportAndSave(benchmark::State& state, const std::vector<std::uint8_t>& song)
{
    CSoundDoc doc;
    const Result<MidiImportCounts> counts = ImportMidi(song, MidiImportOptions(), doc);
    if (!counts.Ok())
        state.SkipWithError(counts.Error().c_str());
    const std::string text = doc.SaveToBytes();
    benchmark::DoNotOptimize(text.data());
    return text.size();
}

// Argument: the minutes the notes are spread over.
void BM_ImportMidiAndSave(benchmark::State& state)
{
    const std::vector<std::uint8_t> song = MakeSong(static_cast<std::uint32_t>(state.range(0)));
    if (const char* pszOut = std::getenv("TARVOK_IMPORT_BENCH_MIDI"); pszOut && state.range(0) == 20)
        WriteFile(pszOut, song);
    std::size_t nBytes = 0;
    for (auto _ : state)
        nBytes = ImportAndSave(state, song);
    state.counters["KB"] = static_cast<double>(nBytes) / 1e3;
}
BENCHMARK(BM_ImportMidiAndSave)->Arg(20)->Arg(240)->Unit(benchmark::kMillisecond);

// Each iteration is a pair: this import and save, then `midicsv` listing the file. The time
// shown is the import's CPU time; peer_ms is midicsv's (its whole process), vs_peer the ratio.
void BM_ImportVsMidicsv(benchmark::State& state)
{
    const std::vector<std::uint8_t> song = MakeSong(static_cast<std::uint32_t>(state.range(0)));
    const std::string path =
        (std::filesystem::temp_directory_path() / "tarvok_import_bench.mid").string();
    WriteFile(path, song);
    double ours = 0.0;
    double peer = 0.0;
    for (auto _ : state)
    {
        const double start = OwnCpuSeconds();
        ImportAndSave(state, song);
        const double own = OwnCpuSeconds() - start;
        const double other = PeerCpuSeconds({"midicsv", path, "/dev/null"});
        if (other < 0.0)
        {
            state.SkipWithError("midicsv did not run (Debian package midicsv)");
            break;
        }
        state.SetIterationTime(own);
        ours += own;
        peer += other;
    }
    std::filesystem::remove(path);
    state.counters["peer_ms"] = benchmark::Counter(peer * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["vs_peer"] = peer > 0.0 ? ours / peer : 0.0;
}
BENCHMARK(BM_ImportVsMidicsv)->Arg(20)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace
