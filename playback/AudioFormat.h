// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// What playback renders and what the .wav export writes: PCM, mono, 16-bit signed.
constexpr int kSampleRate = 44100;
constexpr int kBitsPerSample = 16;
constexpr int kChannels = 1;
constexpr int kBytesPerSample = kBitsPerSample / 8 * kChannels;
constexpr int kBytesPerSecond = kSampleRate * kBytesPerSample;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// The 16-byte PCM format record, as stored in a RIFF "fmt " chunk.
struct WaveFormat
{
    std::uint16_t wFormatTag = WAVE_FORMAT_PCM;
    std::uint16_t nChannels = kChannels;
    std::uint32_t nSamplesPerSec = kSampleRate;
    std::uint32_t nAvgBytesPerSec = kBytesPerSecond;
    std::uint16_t nBlockAlign = kBytesPerSample;
    std::uint16_t wBitsPerSample = kBitsPerSample;
};
static_assert(sizeof(WaveFormat) == 16);
