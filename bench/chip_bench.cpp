// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/AgiChipRender.h"
#include "playback/ChipSynth.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
constexpr int kTicksPerMinute = 3600;

void CountRealTime(benchmark::State& state, double secondsPerIteration)
{
    // Seconds of audio per second of CPU: the real-time factor.
    state.counters["x_realtime"] = benchmark::Counter(
        secondsPerIteration * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
} // namespace

// A minute of busy music: every voice takes a new note each tick and the noise a new record
// every eighth tick.
static void BM_ChipBusyMinute(benchmark::State& state)
{
    CChipSynth chip;
    std::vector<std::int16_t> tick(CChipSynth::kSamplesPerTick);
    for (auto _ : state)
    {
        chip.Reset();
        for (unsigned t = 0; t < kTicksPerMinute; ++t)
        {
            for (int voice = 0; voice < CChipSynth::kToneVoices; ++voice)
            {
                chip.SetDivisor(voice, 60 + (t * 37 + voice * 211) % 900);
                chip.SetAttenuation(voice, (t + voice) % 6);
            }
            if (t % 8 == 0)
            {
                chip.StartNoise(4 | t % 4);
                chip.SetAttenuation(CChipSynth::kNoiseVoice, t % 5);
            }
            chip.Render(tick.data(), tick.size());
        }
        benchmark::DoNotOptimize(tick.data());
    }
    CountRealTime(state, 60.0);
}
BENCHMARK(BM_ChipBusyMinute)->Unit(benchmark::kMillisecond);

// The costliest sound the chip can make: three tones just below the inaudible divisors and
// white noise driven by voice 2, all at full level, for ten seconds.
static void BM_ChipWorstCase(benchmark::State& state)
{
    CChipSynth chip;
    std::vector<std::int16_t> samples(441000);
    for (auto _ : state)
    {
        chip.Reset();
        for (int voice = 0; voice < CChipSynth::kVoices; ++voice)
        {
            if (voice < CChipSynth::kToneVoices)
                chip.SetDivisor(voice, 5);
            chip.SetAttenuation(voice, 0);
        }
        chip.StartNoise(7);
        chip.Render(samples.data(), samples.size());
        benchmark::DoNotOptimize(samples.data());
    }
    CountRealTime(state, 10.0);
}
BENCHMARK(BM_ChipWorstCase)->Unit(benchmark::kMillisecond);

// The sample sounds through each chip, with and without the interpreter's fade.
static void BM_AgiSampleSounds(benchmark::State& state, SynthKind kind, FadeKind fade)
{
    std::vector<std::string> sounds;
    for (const char* name :
         {"buddhies-sound000.agi", "buddhies-sound001.agi", "countryoforigin-sound000.agi"})
    {
        std::ifstream in(std::string(TARVOK_SOUNDS_DIR) + "/" + name, std::ios::binary);
        sounds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::uint64_t samples = 0;
    for (auto _ : state)
    {
        samples = 0;
        for (const std::string& bytes : sounds)
            samples += CAgiChipRender::RenderAll(
                reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), kind, fade,
                [](const std::int16_t* p, std::size_t) { benchmark::DoNotOptimize(p); });
    }
    CountRealTime(state, static_cast<double>(samples) / 44100.0);
    state.counters["audio_seconds"] = static_cast<double>(samples) / 44100.0;
}
BENCHMARK_CAPTURE(BM_AgiSampleSounds, pcjr, SynthKind::PCjr, FadeKind::None)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AgiSampleSounds, pcjr_fade3, SynthKind::PCjr, FadeKind::V3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AgiSampleSounds, tandy_fade29, SynthKind::Tandy, FadeKind::V2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AgiSampleSounds, speaker, SynthKind::Speaker, FadeKind::None)
    ->Unit(benchmark::kMillisecond);

// One note of 65534 ticks (18 minutes): the render streams, so memory does not grow with it.
static void BM_AgiLongNote(benchmark::State& state, SynthKind kind, FadeKind fade)
{
    const std::string bytes = {8,      0,      15,     0,      17,     0,      19,
                               0,      '\xFE', '\xFF', 0x0F,   '\x8E', '\x90', '\xFF',
                               '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF', '\xFF'};
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    for (auto _ : state)
        CAgiChipRender::RenderAll(
            reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), kind, fade,
            [](const std::int16_t* p, std::size_t) { benchmark::DoNotOptimize(p); });
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    CountRealTime(state, 0xFFFE / 60.0);
    state.counters["peak_rss_growth_kb"] = static_cast<double>(after.ru_maxrss - before.ru_maxrss);
}
BENCHMARK_CAPTURE(BM_AgiLongNote, pcjr_fade3, SynthKind::PCjr, FadeKind::V3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AgiLongNote, speaker, SynthKind::Speaker, FadeKind::None)
    ->Unit(benchmark::kMillisecond);
