// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The LZW compression of a version 3 game's resources, as the interpreter decodes it: codes
// 0-255 are bytes, 256 resets the table, 257 ends the data, new codes from 258, packed least
// significant bit first in 9 to 11 bits.

constexpr unsigned kLzwReset = 256;
constexpr unsigned kLzwEnd = 257;
constexpr unsigned kLzwFirstFree = 258;
constexpr int kLzwMinWidth = 9;
constexpr int kLzwMaxWidth = 11;

// The width of the code read while the table's next free code is nextFree.
int LzwWidthFor(unsigned nextFree);

// Decodes packed into out, which must come to exactly unpackedSize bytes. Returns "" or the
// reason the data is damaged; never reads outside packed and never makes more than
// unpackedSize bytes.
std::string DecodeAgiLzw(std::span<const std::uint8_t> packed, std::size_t unpackedSize,
                         std::vector<std::uint8_t>& out);

// The compressed form of data: a reset first, a reset again before the table fills, the end
// code last.
std::vector<std::uint8_t> EncodeAgiLzw(std::span<const std::uint8_t> data);
