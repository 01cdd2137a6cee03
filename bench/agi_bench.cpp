// SPDX-License-Identifier: GPL-3.0-or-later
// Import and export of AGI sound resources, and the MIDI export, on long songs.
#include "framework/File.h"
#include "sound/AgiFile.h"
#include "sound/AgiTone.h"
#include "sound/SoundDoc.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace
{
// A resource whose four channels each last ticksPerChannel ticks (a multiple of 32, so
// the import adds no rest), in the given number of records each: tones of the tracker's
// notes on the voices (so the export gives the same bytes back), noise on the noise channel.
std::vector<std::uint8_t> MakeResource(int ticksPerChannel, const std::array<int, 4>& records)
{
    std::uint32_t seed = 12345;
    auto next = [&seed](int lo, int hi)
    {
        seed = seed * 1103515245u + 12345u;
        return lo + static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(hi - lo + 1));
    };
    std::array<std::vector<std::uint8_t>, 4> channels;
    for (int c = 0; c < 4; ++c)
    {
        // Pairs of records around the average length, the remainder spread over the first.
        const int average = ticksPerChannel / records[c];
        const int remainder = ticksPerChannel % records[c];
        int swing = 0;
        for (int i = 0; i < records[c]; ++i)
        {
            if (i % 2 == 0)
                swing = i + 1 < records[c] ? next(0, average - 1) : 0;
            const int ticks = average + (i % 2 == 0 ? -swing : swing) + (i < remainder ? 1 : 0);
            const int divisor = AgiDivisorOfNote(next(45, 116));
            const int atten = next(0, 15);
            if (c < 3)
                channels[c].insert(channels[c].end(),
                                   {static_cast<std::uint8_t>(ticks),
                                    static_cast<std::uint8_t>(ticks >> 8),
                                    static_cast<std::uint8_t>(divisor >> 4),
                                    static_cast<std::uint8_t>(0x80 + 32 * c + (divisor & 15)),
                                    static_cast<std::uint8_t>(0x90 + 32 * c + atten)});
            else
                channels[c].insert(channels[c].end(), {static_cast<std::uint8_t>(ticks),
                                                       static_cast<std::uint8_t>(ticks >> 8), 0,
                                                       static_cast<std::uint8_t>(0xE0 + next(0, 7)),
                                                       static_cast<std::uint8_t>(0xF0 + atten)});
        }
        channels[c].insert(channels[c].end(), {0xFF, 0xFF});
    }
    std::vector<std::uint8_t> bytes;
    std::size_t offset = 8;
    for (const auto& data : channels)
    {
        bytes.push_back(static_cast<std::uint8_t>(offset));
        bytes.push_back(static_cast<std::uint8_t>(offset >> 8));
        offset += data.size();
    }
    for (const auto& data : channels)
        bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

// Four minutes at 60 ticks a second: 14,400 ticks per channel.
const std::vector<std::uint8_t>& FourMinutes()
{
    static const auto bytes = MakeResource(14400, {1200, 900, 600, 300});
    return bytes;
}

// 65,531 bytes: the most records (13,103) that 16-bit offsets allow.
const std::vector<std::uint8_t>& Largest()
{
    static const auto bytes = MakeResource(32768, {3276, 3276, 3276, 3275});
    return bytes;
}

void Import(benchmark::State& state, const std::vector<std::uint8_t>& bytes)
{
    CSoundDoc doc;
    for (auto _ : state)
    {
        if (!ImportAgi(doc, bytes))
            state.SkipWithError("the resource does not import");
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
    state.counters["rows"] = doc.GetPlayRange().end;
}

void Export(benchmark::State& state, const std::vector<std::uint8_t>& bytes)
{
    CSoundDoc doc;
    ImportAgi(doc, bytes);
    std::vector<std::uint8_t> built;
    for (auto _ : state)
        built = BuildAgiBytes(doc, doc.GetPlayRange()).Value();
    if (built != bytes)
        state.SkipWithError("the export differs from the imported resource");
}

void ExportMidi(benchmark::State& state, const std::vector<std::uint8_t>& bytes)
{
    CSoundDoc doc;
    ImportAgi(doc, bytes);
    std::size_t size = 0;
    for (auto _ : state)
        size = doc.BuildMIDIFile({0, 0, 0}, doc.GetPlayRange()).Value().size();
    state.counters["bytes"] = static_cast<double>(size);
}

void BM_ImportFourMinutes(benchmark::State& state)
{
    Import(state, FourMinutes());
}
void BM_ExportFourMinutes(benchmark::State& state)
{
    Export(state, FourMinutes());
}
void BM_ExportMidiFourMinutes(benchmark::State& state)
{
    ExportMidi(state, FourMinutes());
}
void BM_ImportLargest(benchmark::State& state)
{
    Import(state, Largest());
}
void BM_ExportLargest(benchmark::State& state)
{
    Export(state, Largest());
}
void BM_ExportMidiLargest(benchmark::State& state)
{
    ExportMidi(state, Largest());
}

void BM_ImportLargestSample(benchmark::State& state)
{
    const std::string file =
        ReadWholeFile(std::string(TARVOK_SOUNDS_DIR) + "/buddhies-sound000.agi", 1 << 20).Value();
    Import(state, std::vector<std::uint8_t>(file.begin(), file.end()));
}
} // namespace

BENCHMARK(BM_ImportFourMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportFourMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportMidiFourMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportMidiLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLargestSample)->Unit(benchmark::kMillisecond);
