// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Amplitude spectrum of 44.1 kHz samples under a 4-term Blackman-Harris window (side lobes
// 92 dB down); levels in dB relative to a full-scale sine.
class CSpectrum
{
public:
    // n must be a power of two.
    CSpectrum(const std::int16_t* pSamples, std::size_t n);

    double BinHz() const { return m_binHz; }
    // Largest bin level in [loHz, hiHz].
    double MaxDb(double loHz, double hiHz) const;
    // Level of a sine at hz from the power of its main lobe, so it reads the same between bins.
    double Db(double hz) const;
    // Frequency of the strongest component in [loHz, hiHz], interpolated between bins.
    double PeakHz(double loHz, double hiHz) const;

private:
    std::size_t Bin(double hz) const;
    std::vector<double> m_amplitude;
    double m_binHz;
    // The window's noise bandwidth in bins: a sine's main lobe holds its power times this.
    double m_noiseBins = 1.0;
};
