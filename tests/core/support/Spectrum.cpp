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
        for (std::size_t k = 0; k < len / 2; ++k)
        {
            const auto w = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) /
                                               static_cast<double>(len));
            for (std::size_t i = k; i < n; i += len)
            {
                const auto v = a[i + len / 2] * w;
                a[i + len / 2] = a[i] - v;
                a[i] += v;
            }
        }
}

double ToDb(double power)
{
    return 10.0 * std::log10(std::max(power, 1e-24));
}
} // namespace

CSpectrum::CSpectrum(const std::int16_t* pSamples, std::size_t n) : m_binHz(44100.0 / n)
{
    std::vector<std::complex<double>> data(n);
    double sum = 0.0, power = 0.0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const double w =
            0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        sum += w;
        power += w * w;
        data[i] = pSamples[i] * w;
    }
    Fft(data);
    m_noiseBins = static_cast<double>(n) * power / (sum * sum);
    m_amplitude.resize(n / 2 + 1);
    for (std::size_t i = 0; i < m_amplitude.size(); ++i)
        m_amplitude[i] = 2.0 * std::abs(data[i]) / sum / 32768.0;
}

std::size_t CSpectrum::Bin(double hz) const
{
    const double last = static_cast<double>(m_amplitude.size() - 1);
    return static_cast<std::size_t>(std::clamp(std::round(hz / m_binHz), 0.0, last));
}

double CSpectrum::MaxDb(double loHz, double hiHz) const
{
    const auto first = m_amplitude.begin() + static_cast<std::ptrdiff_t>(Bin(loHz));
    const auto last = m_amplitude.begin() + static_cast<std::ptrdiff_t>(Bin(hiHz)) + 1;
    const double peak = *std::max_element(first, last);
    return ToDb(peak * peak);
}

double CSpectrum::Db(double hz) const
{
    double power = 0.0;
    for (std::size_t i = Bin(hz - 4 * m_binHz); i <= Bin(hz + 4 * m_binHz); ++i)
        power += m_amplitude[i] * m_amplitude[i];
    return ToDb(power / m_noiseBins);
}

double CSpectrum::PeakHz(double loHz, double hiHz) const
{
    std::size_t i = Bin(loHz);
    for (std::size_t j = i; j <= Bin(hiHz); ++j)
        if (m_amplitude[j] > m_amplitude[i])
            i = j;
    if (i == 0 || i + 1 >= m_amplitude.size())
        return static_cast<double>(i) * m_binHz;
    // A parabola through the log levels of the peak and its neighbours.
    const double a = std::log(m_amplitude[i - 1]);
    const double b = std::log(m_amplitude[i]);
    const double c = std::log(m_amplitude[i + 1]);
    return (static_cast<double>(i) + 0.5 * (a - c) / (a - 2.0 * b + c)) * m_binHz;
}
