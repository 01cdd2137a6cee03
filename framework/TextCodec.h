// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// Names are held as UTF-8. Text from elsewhere is converted at the edges.

// Appends one code point (below 0x110000) as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t cp);
// Little-endian UTF-16 bytes to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(const std::string& utf16le);
// Text as little-endian UTF-16 bytes; text that is not valid UTF-8 is read as Windows-1252.
std::string ToUtf16Le(const std::string& text);
bool IsValidUtf8(const std::string& text);
// Windows-1252 bytes to UTF-8 (files made on Windows).
std::string Windows1252ToUtf8(const std::string& text);
// The text itself when it is valid UTF-8, else read as Windows-1252.
std::string ToDisplayUtf8(const std::string& text);
// Number of characters (code points) of valid UTF-8, else the number of bytes.
std::size_t CharacterCount(const std::string& text);
