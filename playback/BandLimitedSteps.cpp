// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/BandLimitedSteps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace
{
constexpr int kPhases = 1 << CBandLimitedSteps::kPhaseBits;
constexpr int kInterpBits = CBandLimitedSteps::kFracBits - CBandLimitedSteps::kPhaseBits;
constexpr int kUnitBits = 15;
constexpr std::int32_t kUnit = 1 << kUnitBits;
// Cutoff in cycles per sample and the Kaiser window's shape: passes 10 kHz, and everything
// that would fold back below 20 kHz lies deep in the stop band.
constexpr double kCutoff = 20200.0 / 44100.0;
constexpr double kKaiserBeta = 8.0;
constexpr double kPi = 3.14159265358979323846;

using KernelRow = std::array<std::int32_t, CBandLimitedSteps::kTaps>;
// One row more than the phases: the last row is the first one a sample later, so a step
// between the last phase and the next sample interpolates like any other.
using Kernel = std::array<KernelRow, kPhases + 1>;

// sin(pi * r) from + - * / and floor only: libm's sin may differ in the last bit between
// machines, and the kernel has to be the same everywhere.
double SinPi(double r)
{
    r -= 2.0 * std::floor((r + 1.0) / 2.0);
    double sign = 1.0;
    if (r < 0.0)
    {
        r = -r;
        sign = -1.0;
    }
    if (r > 0.5)
        r = 1.0 - r;
    const double x = kPi * r;
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int k = 1; k <= 12; ++k)
    {
        term = -term * x2 / static_cast<double>((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sign * sum;
}

double BesselI0(double x)
{
    const double q = x * x / 4.0;
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k <= 60; ++k)
    {
        term = term * q / static_cast<double>(k * k);
        sum += term;
    }
    return sum;
}

// The low-pass impulse response, t in samples from the start of its support [0, kTaps].
double Impulse(double t)
{
    const double half = CBandLimitedSteps::kTaps / 2.0;
    const double u = t - half;
    const double ratio = u / half;
    if (ratio <= -1.0 || ratio >= 1.0)
        return 0.0;
    const double window =
        BesselI0(kKaiserBeta * std::sqrt(1.0 - ratio * ratio)) / BesselI0(kKaiserBeta);
    const double arg = 2.0 * kCutoff * u;
    const double sinc = arg == 0.0 ? 1.0 : SinPi(arg) / (kPi * arg);
    return 2.0 * kCutoff * sinc * window;
}

// The band-limited step, sampled every 1 / kPhases of a sample from 0 to kTaps (Simpson's
// rule, four panels per point). Tabulating differences of the step rather than the impulse
// itself makes the running sum land exactly on the band-limited step, with no treble boost.
std::vector<double> StepResponse()
{
    constexpr int kPanels = 4;
    constexpr double kWidth = 1.0 / (kPhases * kPanels);
    std::vector<double> step(CBandLimitedSteps::kTaps * kPhases + 1, 0.0);
    for (std::size_t i = 1; i < step.size(); ++i)
    {
        const double start = static_cast<double>(i - 1) / kPhases;
        double area = Impulse(start) + Impulse(start + 1.0 / kPhases);
        for (int j = 1; j < kPanels; ++j)
            area += (j % 2 == 1 ? 4.0 : 2.0) * Impulse(start + j * kWidth);
        step[i] = step[i - 1] + area * kWidth / 3.0;
    }
    return step;
}

// Each row sums to exactly kUnit, so every step adds exactly delta * kUnit to the running
// sum and a held level never drifts.
KernelRow MakeRow(const std::vector<double>& step, int phase)
{
    const auto at = [&](int k)
    {
        const int i = k * kPhases - phase;
        return i <= 0 ? 0.0 : step[static_cast<std::size_t>(i)];
    };
    std::array<double, CBandLimitedSteps::kTaps> values{};
    double total = 0.0;
    for (int k = 0; k < CBandLimitedSteps::kTaps; ++k)
    {
        values[k] = at(k + 1) - at(k);
        total += values[k];
    }
    KernelRow row{};
    std::int32_t rowSum = 0;
    int largest = 0;
    for (int k = 0; k < CBandLimitedSteps::kTaps; ++k)
    {
        row[k] = static_cast<std::int32_t>(std::lround(values[k] * kUnit / total));
        rowSum += row[k];
        if (row[k] > row[largest])
            largest = k;
    }
    row[largest] += kUnit - rowSum;
    return row;
}

const Kernel& GetKernel()
{
    static const Kernel kernel = []
    {
        const std::vector<double> step = StepResponse();
        Kernel k{};
        for (int p = 0; p <= kPhases; ++p)
            k[p] = MakeRow(step, p);
        return k;
    }();
    return kernel;
}
} // namespace

CBandLimitedSteps::CBandLimitedSteps(std::size_t maxBlock) : m_deltas(maxBlock + kTaps, 0)
{
    GetKernel();
}

void CBandLimitedSteps::Clear()
{
    std::fill(m_deltas.begin(), m_deltas.end(), 0);
    m_sum = 0;
}

CBandLimitedSteps::Position CBandLimitedSteps::PositionOfTick(std::int64_t ticks,
                                                              std::int64_t samplesPerCycle,
                                                              std::int64_t ticksPerCycle,
                                                              std::int64_t blockStart)
{
    const std::int64_t position = ticks * samplesPerCycle;
    const std::int64_t remainder = position % ticksPerCycle;
    return {static_cast<std::size_t>(position / ticksPerCycle - blockStart),
            static_cast<std::uint32_t>((remainder << kFracBits) / ticksPerCycle)};
}

void CBandLimitedSteps::AddStep(std::size_t offset, std::uint32_t frac, std::int32_t delta)
{
    const Kernel& kernel = GetKernel();
    const std::uint32_t phase = frac >> kInterpBits;
    const auto interp = static_cast<std::int32_t>(frac & ((1u << kInterpBits) - 1));
    // Splitting delta between two neighbouring rows keeps the total exact; a tap's share
    // stays below kUnit * 32768, so 32-bit products do.
    const std::int32_t later = (delta * interp) >> kInterpBits;
    const std::int32_t earlier = delta - later;
    const KernelRow& a = kernel[phase];
    const KernelRow& b = kernel[phase + 1];
    std::int64_t* pOut = m_deltas.data() + offset;
    for (int k = 0; k < kTaps; ++k)
        pOut[k] += a[k] * earlier + b[k] * later;
}

void CBandLimitedSteps::ReadSamples(std::int16_t* pOut, std::size_t n)
{
    std::int64_t sum = m_sum;
    for (std::size_t i = 0; i < n; ++i)
    {
        sum += m_deltas[i];
        const std::int64_t sample = (sum + kUnit / 2) >> kUnitBits;
        pOut[i] = static_cast<std::int16_t>(
            std::clamp<std::int64_t>(sample, std::numeric_limits<std::int16_t>::min(),
                                     std::numeric_limits<std::int16_t>::max()));
    }
    m_sum = sum;
    std::copy(m_deltas.begin() + static_cast<std::ptrdiff_t>(n),
              m_deltas.begin() + static_cast<std::ptrdiff_t>(n + kTaps), m_deltas.begin());
    std::fill(m_deltas.begin() + kTaps, m_deltas.begin() + static_cast<std::ptrdiff_t>(n + kTaps),
              0);
}

double CBandLimitedSteps::PeakGain()
{
    // The output at one sample, as a step moves back across the kernel phase by phase, is a
    // partial row sum; its total variation bounds |output| for any input within +-1.
    const Kernel& kernel = GetKernel();
    double variation = 0.0;
    double previous = 0.0;
    for (int m = 0; m < kTaps; ++m)
        for (int p = kPhases - 1; p >= 0; --p)
        {
            std::int64_t partial = 0;
            for (int k = 0; k <= m; ++k)
                partial += kernel[p][k];
            const double level = static_cast<double>(partial) / kUnit;
            variation += std::abs(level - previous);
            previous = level;
        }
    return variation + std::abs(1.0 - previous);
}
