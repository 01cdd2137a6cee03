// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// What the VGM writer and reader both know of the file: the header this program writes and
// reads, the chip's clock, and the samples (at 44100 Hz) of one engine tick (1/60 s).
inline constexpr std::size_t kVgmHeaderBytes = 0x40;
inline constexpr std::uint32_t kVgmChipClock = 3579545;
inline constexpr std::uint32_t kVgmSamplesPerTick = 735;
