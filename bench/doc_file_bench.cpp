// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and loading a large sound document: 4 channels, N patterns of 1024 rows each, every
// row filled. N = 76 is 16.8 MB of text; twice N shows how the time grows. Beside it,
// `xmllint --stream` parsing the same file.
#include "PeerProcess.h"
#include "framework/AtomicFile.h"
#include "framework/File.h"
#include "sound/SoundDoc.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace
{
std::unique_ptr<CSoundDoc> MakeDocument(int nPatterns)
{
    auto doc = std::make_unique<CSoundDoc>();
    for (int channel = 0; channel < kChannelCount; ++channel)
        for (int i = 0; i < nPatterns; ++i)
        {
            CSoundPattern* p = doc->CreatePattern(channel, 1024);
            for (int row = 0; row < 1024; ++row)
            {
                const auto atten = static_cast<std::uint8_t>((row + i) % 16);
                if (channel == kNoiseChannel)
                    p->SetCell(row, {NOTE_EMPTY, static_cast<std::uint8_t>(row % 4),
                                     static_cast<std::uint8_t>(row % 2), atten});
                else
                    p->SetCell(row, {static_cast<std::uint8_t>((row * 7 + i) % 118), FREQ_EMPTY, 0,
                                     atten});
            }
            doc->PlacePattern(channel, i * 1024, p);
        }
    return doc;
}

void BM_SaveDocument(benchmark::State& state)
{
    const auto doc = MakeDocument(static_cast<int>(state.range(0)));
    std::size_t nBytes = 0;
    for (auto _ : state)
    {
        const std::string text = doc->SaveToBytes();
        nBytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["MB"] = static_cast<double>(nBytes) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * nBytes));
}

void BM_LoadDocument(benchmark::State& state)
{
    const std::string text = MakeDocument(static_cast<int>(state.range(0)))->SaveToBytes();
    for (auto _ : state)
    {
        CSoundDoc doc;
        if (!doc.LoadFromBytes(text))
            state.SkipWithError("the document did not load");
        benchmark::DoNotOptimize(doc.GetPatterns(0).data());
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// What the converter does with a .tks file: open it from the disk and save it, fsync included.
void BM_OpenAndSaveFile(benchmark::State& state)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string input = (dir / "tarvok_doc_file_bench_in.tks").string();
    const std::string output = (dir / "tarvok_doc_file_bench_out.tks").string();
    const std::string text = MakeDocument(static_cast<int>(state.range(0)))->SaveToBytes();
    WriteFileAtomically(input, text.data(), text.size());
    for (auto _ : state)
    {
        CSoundDoc doc;
        if (!doc.OnOpenDocument(input) || !doc.OnSaveDocument(output))
            state.SkipWithError("the document did not load or save");
    }
    std::filesystem::remove(input);
    std::filesystem::remove(output);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// Each iteration is a pair: the file opened and saved (fsync included), then xmllint's
// streaming parse of it. The time shown is the open and save's CPU time; peer_ms is
// xmllint's (its whole process), vs_peer the ratio.
void BM_OpenAndSaveVsXmllint(benchmark::State& state)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string input = (dir / "tarvok_doc_file_bench_peer_in.tks").string();
    const std::string output = (dir / "tarvok_doc_file_bench_peer_out.tks").string();
    const std::string text = MakeDocument(static_cast<int>(state.range(0)))->SaveToBytes();
    WriteFileAtomically(input, text.data(), text.size());
    double ours = 0.0;
    double peer = 0.0;
    for (auto _ : state)
    {
        const double start = OwnCpuSeconds();
        {
            CSoundDoc doc;
            if (!doc.OnOpenDocument(input) || !doc.OnSaveDocument(output))
                state.SkipWithError("the document did not load or save");
        }
        const double own = OwnCpuSeconds() - start;
        const double other = PeerCpuSeconds({"xmllint", "--stream", "--noout", input});
        if (other < 0.0)
        {
            state.SkipWithError("xmllint did not run (Debian package libxml2-utils)");
            break;
        }
        state.SetIterationTime(own);
        ours += own;
        peer += other;
    }
    std::filesystem::remove(input);
    std::filesystem::remove(output);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["peer_ms"] = benchmark::Counter(peer * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["vs_peer"] = peer > 0.0 ? ours / peer : 0.0;
}
} // namespace

BENCHMARK(BM_OpenAndSaveVsXmllint)->Arg(76)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndSaveFile)->Arg(76)->Arg(152)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDocument)->Arg(76)->Arg(152)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDocument)->Arg(76)->Arg(152)->Unit(benchmark::kMillisecond);
