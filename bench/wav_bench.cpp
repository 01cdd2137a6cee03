// SPDX-License-Identifier: GPL-3.0-or-later
// Long .wav renders, sine and chip, to compare with other tools' renders.
#include "PeerProcess.h"
#include "framework/AtomicFile.h"
#include "playback/WavWriter.h"
#include "sound/SoundDoc.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace
{
// 4800 rows at 120 x 4 (ten minutes with the sine), a new note on every row of all three voices.
void BuildSong(CSoundDoc& doc)
{
    doc.DeleteContents();
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
}

void WriteTenMinutes(benchmark::State& state, SynthKind kind, int beatsPerMinute)
{
    CSoundDoc doc;
    BuildSong(doc);
    doc.AssignProperties({beatsPerMinute, doc.GetStepSize(), doc.GetTracksPerBeat()});
    // An AGI resource holds at most 64 KB: 3000 rows of three voices, 7 ticks a row at 126 x 4.
    if (kind != SynthKind::Sine)
        doc.AssignPlayRange({doc.GetPlayRange().start, 3000});
    const std::string path = "/tmp/tarvok-wav-bench.wav";
    for (auto _ : state)
        if (!WriteAtomically(path, [&](CFile& out) { return ExportWav(doc, doc.GetPlayRange(), {kind, {}}, out); }))
            state.SkipWithError("render failed");
    const double seconds = kind == SynthKind::Sine ? 600.0 : 3000.0 * 7 / 60;
    state.counters["x_realtime"] = benchmark::Counter(
        seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    std::remove(path.c_str());
}
} // namespace

static void BM_WavSineTenMinutes(benchmark::State& state)
{
    WriteTenMinutes(state, SynthKind::Sine, 120);
}
BENCHMARK(BM_WavSineTenMinutes)->Unit(benchmark::kMillisecond);

// Ours, then sox writing ten minutes of one sine into the same folder, as a pair: CPU time,
// with the write to the page cache and the fsync of ours.
static void BM_WavSineVsSox(benchmark::State& state)
{
    CSoundDoc doc;
    BuildSong(doc);
    const std::string path = "/tmp/tarvok-wav-bench.wav";
    const std::string peerPath = "/tmp/tarvok-wav-bench-sox.wav";
    double ours = 0.0;
    double peer = 0.0;
    for (auto _ : state)
    {
        const double start = OwnCpuSeconds();
        if (!WriteAtomically(path, [&](CFile& out)
                             { return ExportWav(doc, doc.GetPlayRange(), {SynthKind::Sine, {}}, out); }))
            state.SkipWithError("render failed");
        const double own = OwnCpuSeconds() - start;
        const double other = PeerCpuSeconds(
            {"sox", "-n", "-r", "44100", "-b", "16", "-c", "1", peerPath, "synth", "600", "sine", "440"});
        if (other < 0.0)
        {
            state.SkipWithError("sox did not run (Debian package sox)");
            break;
        }
        state.SetIterationTime(own);
        ours += own;
        peer += other;
    }
    std::remove(path.c_str());
    std::remove(peerPath.c_str());
    state.counters["peer_ms"] = benchmark::Counter(peer * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["vs_peer"] = peer > 0.0 ? ours / peer : 0.0;
}
BENCHMARK(BM_WavSineVsSox)->UseManualTime()->Unit(benchmark::kMillisecond);

static void BM_WavChipSixMinutes(benchmark::State& state)
{
    WriteTenMinutes(state, SynthKind::PCjr, 126);
}
BENCHMARK(BM_WavChipSixMinutes)->Unit(benchmark::kMillisecond);
