// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and loading a large sound document: 4 channels, N patterns of 1024 rows each, every
// row filled. N = 64 is about 16 MB of text; N = 128 shows how the time grows.
#include "framework/AtomicFile.h"
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
} // namespace

BENCHMARK(BM_OpenAndSaveFile)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveDocument)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDocument)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
