// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

// The bytes as a gzip stream (zlib's best compression). Throws std::bad_alloc when zlib runs
// out of memory, its only way to fail.
std::vector<std::uint8_t> GzipBytes(const std::vector<std::uint8_t>& bytes);
