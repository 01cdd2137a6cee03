// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

namespace
{
void Fft(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i)
    {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1)
    {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len)
        {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < len / 2; ++k)
            {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

double ToDb(double amplitude)
{
    return 20.0 * std::log10(std::max(amplitude, 1e-12));
}
} // namespace

CSpectrum::CSpectrum(const std::int16_t* pSamples, std::size_t n) : m_binHz(44100.0 / n)
{
    std::vector<std::complex<double>> data(n);
    double windowSum = 0.0;
    double windowPower = 0.0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const double w =
            0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        windowSum += w;
        windowPower += w * w;
        data[i] = pSamples[i] * w;
    }
    Fft(data);
    m_noiseBins = static_cast<double>(n) * windowPower / (windowSum * windowSum);
    m_amplitude.resize(n / 2 + 1);
    for (std::size_t i = 0; i < m_amplitude.size(); ++i)
        m_amplitude[i] = 2.0 * std::abs(data[i]) / windowSum / 32768.0;
}

std::size_t CSpectrum::Bin(double hz) const
{
    const double bin = std::round(hz / m_binHz);
    return static_cast<std::size_t>(
        std::clamp(bin, 0.0, static_cast<double>(m_amplitude.size() - 1)));
}

double CSpectrum::MaxDb(double loHz, double hiHz) const
{
    double peak = 0.0;
    for (std::size_t i = Bin(loHz); i <= Bin(hiHz); ++i)
        peak = std::max(peak, m_amplitude[i]);
    return ToDb(peak);
}

double CSpectrum::Db(double hz) const
{
    double power = 0.0;
    for (std::size_t i = Bin(hz - 4 * m_binHz); i <= Bin(hz + 4 * m_binHz); ++i)
        power += m_amplitude[i] * m_amplitude[i];
    return 10.0 * std::log10(std::max(power / m_noiseBins, 1e-24));
}

double CSpectrum::PeakHz(double loHz, double hiHz) const
{
    const auto first = m_amplitude.begin() + static_cast<std::ptrdiff_t>(Bin(loHz));
    const auto last = m_amplitude.begin() + static_cast<std::ptrdiff_t>(Bin(hiHz)) + 1;
    const std::size_t i =
        static_cast<std::size_t>(std::max_element(first, last) - m_amplitude.begin());
    if (i == 0 || i + 1 >= m_amplitude.size())
        return static_cast<double>(i) * m_binHz;
    const double a = ToDb(m_amplitude[i - 1]);
    const double b = ToDb(m_amplitude[i]);
    const double c = ToDb(m_amplitude[i + 1]);
    const double offset = 0.5 * (a - c) / (a - 2.0 * b + c);
    return (static_cast<double>(i) + offset) * m_binHz;
}

double CSpectrum::MeanDb(double loHz, double hiHz) const
{
    double power = 0.0;
    const std::size_t first = Bin(loHz);
    const std::size_t last = Bin(hiHz);
    for (std::size_t i = first; i <= last; ++i)
        power += m_amplitude[i] * m_amplitude[i];
    return 10.0 * std::log10(std::max(power / static_cast<double>(last - first + 1), 1e-24));
}
