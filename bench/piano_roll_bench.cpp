// SPDX-License-Identifier: GPL-3.0-or-later
// One frame of the piano roll over a long imported-like song: 20 minutes of 60 rows a second
// (one tick a row), 64-row patterns on every channel, a note every few rows, so the song holds
// the given number of notes. The bars are built once, as an edit builds them; a frame only
// finds and draws what is in view.

#include "session/SoundSession.h"
#include "sound/SoundDoc.h"
#include "views/PianoRollView.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
constexpr int kRows = 20 * 60 * 60;
constexpr int kPatternRows = 64;
// The size the piano roll gets below the editors in a new window, and a wide one.
constexpr int kWidth = 900;
constexpr int kHeight = 360;

std::unique_ptr<CSoundDoc> MakeSong(int nNotes)
{
    auto pDoc = std::make_unique<CSoundDoc>();
    pDoc->OnNewDocument();
    pDoc->AssignProperties({140, kPatternRows, 24});
    const std::int64_t perChannel = std::max(nNotes / kChannelCount, 1);
    unsigned seed = 12345;
    const auto random = [&seed](unsigned n)
    {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        std::vector<CSoundPattern*> patterns;
        for (int start = 0; start < kRows; start += kPatternRows)
        {
            patterns.push_back(pDoc->CreatePattern(channel, kPatternRows));
            pDoc->PlacePattern(channel, start, patterns.back());
        }
        for (std::int64_t i = 0; i < perChannel; ++i)
        {
            const auto pos = static_cast<int>(i * kRows / perChannel);
            SoundCell cell = SoundCell::Empty();
            if (channel == kNoiseChannel)
            {
                cell.freq = static_cast<std::uint8_t>(random(4));
                cell.noiseType = static_cast<std::uint8_t>(random(2));
            }
            else
                cell.note = static_cast<std::uint8_t>(45 + random(48));
            cell.atten = static_cast<std::uint8_t>(random(12));
            patterns[static_cast<std::size_t>(pos / kPatternRows)]->SetCell(pos % kPatternRows,
                                                                            cell);
        }
    }
    pDoc->AssignPlayRange({0, pDoc->GetWholeSongEnd()});
    return pDoc;
}

void PaintFrames(benchmark::State& state, double pxPerRowSteps)
{
    const auto pDoc = MakeSong(static_cast<int>(state.range(0)));
    CSoundSession session(pDoc.get());
    CPianoRollView view(&session);
    view.resize(kWidth, kHeight);
    view.show();
    QApplication::processEvents();
    view.ZoomTime(static_cast<int>(pxPerRowSteps));
    // Somewhere in the middle of the song.
    view.ScrollToRow(kRows / 2);
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    std::size_t nBars = 0;
    for (int channel = 0; channel < kChannelCount; ++channel)
        nBars += view.Bars(channel).bars.size();
    for (auto _ : state)
    {
        QPainter dc(&image);
        view.OnDraw(dc, image.rect());
        dc.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["notes"] = static_cast<double>(nBars);
    state.counters["visible"] = static_cast<double>(view.VisibleBars().size());
}

// At the zoom a window opens with.
void BM_PaintSong(benchmark::State& state)
{
    PaintFrames(state, 0);
}
BENCHMARK(BM_PaintSong)->Arg(100000)->Unit(benchmark::kMillisecond);

// Zoomed out until a few minutes are in view: thousands of bars in one frame.
void BM_PaintSongZoomedOut(benchmark::State& state)
{
    PaintFrames(state, -20);
}
BENCHMARK(BM_PaintSongZoomedOut)->Arg(100000)->Unit(benchmark::kMillisecond);

// What an edit costs before its repaint: the bars of the whole song built again.
void BM_BuildSongBars(benchmark::State& state)
{
    const auto pDoc = MakeSong(static_cast<int>(state.range(0)));
    const PlayRange song = pDoc->GetWholeSong();
    for (auto _ : state)
        for (int channel = 0; channel < kChannelCount; ++channel)
            benchmark::DoNotOptimize(BuildChannelBars(*pDoc, channel, song).bars.data());
}
BENCHMARK(BM_BuildSongBars)->Arg(100000)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    // Fonts and painting as the editor has them, without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
