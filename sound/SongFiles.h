// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"

#include <cstdint>
#include <string>
#include <vector>

// Far above any real song; keeps a stray large file from being read whole.
constexpr std::uint64_t kMaxSongFileBytes = std::uint64_t{64} << 20;
// The bytes of a song file, up to that size.
Result<std::vector<std::uint8_t>> ReadSongFile(const std::string& path);
