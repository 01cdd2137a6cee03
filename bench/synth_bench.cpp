// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/OfflineRenderer.h"
#include "sound/SoundDoc.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
// Ten minutes at 120 beats per minute and 4 rows a beat: 4800 rows, a new note on every
// row of all three voices, a silent noise channel.
void BuildSong(CSoundDoc& doc)
{
    doc.DeleteContents();
    doc.AssignProperties({120, doc.GetStepSize(), 4});
    constexpr int kRows = 4800;
    constexpr int kPatternRows = 64;
    doc.AssignPlayRange({0, kRows - 1});
    for (int voice = 0; voice < 3; ++voice)
    {
        CSoundPattern* pPattern = doc.CreatePattern(voice, kPatternRows);
        for (int row = 0; row < kPatternRows; ++row)
            pPattern->SetCell(row, {static_cast<std::uint8_t>(36 + voice * 12 + (row * 7) % 24),
                                    255, 0, static_cast<std::uint8_t>(row % 4)});
        for (int pos = 0; pos < kRows; pos += kPatternRows)
            doc.PlacePattern(voice, pos, pPattern);
    }
    doc.PlacePattern(3, 0, doc.CreatePattern(3, 16));
}
} // namespace

static void BM_RenderTenMinutes(benchmark::State& state)
{
    CSoundDoc doc;
    BuildSong(doc);
    std::vector<std::int16_t> samples;
    for (auto _ : state)
    {
        RenderPlayRange(doc, samples, 1u << 30);
        benchmark::DoNotOptimize(samples.data());
    }
    // Seconds of audio per second of CPU: the real-time factor.
    state.counters["x_realtime"] = benchmark::Counter(
        600.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(samples.size()));
}
BENCHMARK(BM_RenderTenMinutes)->Unit(benchmark::kMillisecond);
