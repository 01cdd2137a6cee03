#pragma once

// What playback renders and what the .wav export writes: PCM, mono, 16-bit signed.
constexpr int kSampleRate = 44100;
constexpr int kBitsPerSample = 16;
constexpr int kChannels = 1;
constexpr int kBytesPerSample = kBitsPerSample / 8 * kChannels;
