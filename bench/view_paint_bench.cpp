// SPDX-License-Identifier: GPL-3.0-or-later
// Repaint cost of the two editors: one full picture of the visible rows, drawn into an
// image as a repaint after a key press would draw it; and one frame of the voice scopes.

#include "session/SoundSession.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/FrameClock.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"
#include "views/VoiceScopeSource.h"
#include "views/VoiceScopes.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace
{
constexpr int kWidth = 400;
constexpr int kHeight = 700; // 48 rows

SoundCell BusyCell(int row)
{
    SoundCell cell = SoundCell::Empty();
    cell.note = static_cast<std::uint8_t>(36 + row % 60);
    cell.atten = static_cast<std::uint8_t>(row % 16);
    return cell;
}

// Paints the view's picture into an image the size of its client area.
void PaintLoop(benchmark::State& state, CSoundBase& view)
{
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state)
    {
        QPainter dc(&image);
        view.OnDraw(dc, image.rect());
        dc.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PatternViewPaint(benchmark::State& state)
{
    const int nRows = static_cast<int>(state.range(0));
    CSoundDoc doc;
    doc.OnNewDocument();
    CSoundPattern* pPattern = doc.CreatePattern(1, nRows, "Lengthy");
    for (int r = 0; r < nRows; ++r)
        pPattern->SetCell(r, BusyCell(r));
    CSoundSession session(&doc);
    session.SetCurrentPattern(pPattern);
    session.SetPatternCursor({2, nRows / 2});
    CSoundPatternView view(&session);
    view.resize(kWidth, kHeight);
    view.show();
    QApplication::processEvents();
    view.EnsureCursorVisible();
    PaintLoop(state, view);
    state.SetLabel(std::to_string(view.GetPage()) + " rows visible");
}
BENCHMARK(BM_PatternViewPaint)->Arg(16)->Arg(1024)->Arg(65536)->Unit(benchmark::kMicrosecond);

void BM_SequenceViewPaint(benchmark::State& state)
{
    const int nPlacements = static_cast<int>(state.range(0));
    CSoundDoc doc;
    doc.OnNewDocument();
    for (int c = 0; c < kChannelCount; ++c)
    {
        for (int i = 0; i < 8; ++i)
            doc.CreatePattern(c, 16, ("Pattern" + std::to_string(i)).c_str());
        for (int s = 0; s < nPlacements; ++s)
        {
            const SequencePos pos{c, s};
            doc.SetPatternAt(&pos, doc.GetPatterns(c)[(s + c) % 8].get());
        }
    }
    doc.AssignPlayRange({16 * (nPlacements / 2 - 4), 16 * (nPlacements / 2 + 4)});

    CSoundSession session(&doc);
    session.SetSequenceCursor({2, nPlacements / 2});
    CSoundSequenceView view(&session);
    view.resize(kWidth, kHeight);
    view.show();
    QApplication::processEvents();
    view.UpdateScrollBars();
    view.EnsureCursorVisible();
    PaintLoop(state, view);
    state.SetLabel(std::to_string(view.GetPage()) + " lines visible");
}
BENCHMARK(BM_SequenceViewPaint)->Arg(500)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The same picture through the widget's own repaint path.
void BM_PatternViewRender(benchmark::State& state)
{
    CSoundDoc doc;
    doc.OnNewDocument();
    CSoundPattern* pPattern = doc.CreatePattern(0, 1024);
    for (int r = 0; r < 1024; ++r)
        pPattern->SetCell(r, BusyCell(r));
    CSoundSession session(&doc);
    session.SetCurrentPattern(pPattern);
    CSoundPatternView view(&session);
    view.resize(kWidth, kHeight);
    view.show();
    QApplication::processEvents();
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state)
    {
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PatternViewRender)->Unit(benchmark::kMicrosecond);

// One display frame of the scopes while all four voices sound: a frame's worth of samples
// arrives, the scopes read and trigger each voice's window and the strip is drawn.
void BM_VoiceScopesFrame(benchmark::State& state)
{
    constexpr std::size_t kFrameSamples = 44100 / CFrameClock::kFramesPerSecond;
    CVoiceScopeRing ring;
    CRingScopeSource source(ring);
    CVoiceScopes scopes(source);
    scopes.resize(static_cast<int>(state.range(0)), 64);
    QImage image(scopes.size(), QImage::Format_RGB32);

    std::vector<std::vector<std::int16_t>> voices(IVoiceSink::kVoices,
                                                  std::vector<std::int16_t>(kFrameSamples));
    std::uint64_t t = 0;
    unsigned noise = 0x4000;
    for (auto _ : state)
    {
        for (std::size_t i = 0; i < kFrameSamples; ++i, ++t)
        {
            // Square waves at three pitches, as the chip makes them, and a shift-register noise.
            voices[0][i] = (t / 50) % 2 != 0 ? 8000 : -8000;
            voices[1][i] = (t / 37) % 2 != 0 ? 6000 : -6000;
            voices[2][i] = static_cast<std::int16_t>(7000 * std::sin(t * 0.0627));
            noise = (noise >> 1) | (((noise ^ (noise >> 1)) & 1u) << 14);
            voices[3][i] = (noise & 1u) != 0 ? 5000 : -5000;
        }
        ring.WriteVoices({voices[0].data(), voices[1].data(), voices[2].data(), voices[3].data()},
                         kFrameSamples);
        ring.MarkHeard(ring.GetWritten());
        scopes.Refresh();
        scopes.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_VoiceScopesFrame)->Arg(480)->Arg(1200)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
