// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/TextCodec.h"

#include <cstdint>

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80)
        out += static_cast<char>(cp);
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else if (cp < 0x10000)
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace
{
// Length of the valid UTF-8 sequence at text[i], or 0.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t i)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (b0 < 0x80)
        return 1;
    if ((b0 & 0xE0) == 0xC0)
    {
        n = 2;
        cp = b0 & 0x1F;
    }
    else if ((b0 & 0xF0) == 0xE0)
    {
        n = 3;
        cp = b0 & 0x0F;
    }
    else if ((b0 & 0xF8) == 0xF0)
    {
        n = 4;
        cp = b0 & 0x07;
    }
    else
        return 0;
    if (i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
    {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}
} // namespace

std::string Utf16LeToUtf8(const std::string& utf16le)
{
    std::string out;
    out.reserve(utf16le.size());
    const std::size_t nUnits = utf16le.size() / 2;
    auto unit = [&](std::size_t k)
    {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(utf16le[2 * k])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(utf16le[2 * k + 1])) << 8);
    };
    for (std::size_t k = 0; k < nUnits; ++k)
    {
        std::uint32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < nUnits)
        {
            const std::uint32_t lo = unit(k + 1);
            if (lo >= 0xDC00 && lo <= 0xDFFF)
            {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                ++k;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            u = 0xFFFD;
        AppendUtf8(out, u);
    }
    return out;
}

std::string ToUtf16Le(const std::string& text)
{
    const std::string utf8 = ToDisplayUtf8(text);
    std::string out;
    out.reserve(utf8.size() * 2);
    const auto putUnit = [&](std::uint32_t u)
    {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (std::size_t i = 0; i < utf8.size();)
    {
        const std::size_t n = Utf8SequenceLength(utf8, i);
        std::uint32_t cp = static_cast<unsigned char>(utf8[i]) & (n == 1 ? 0x7F : 0x7F >> n);
        for (std::size_t k = 1; k < n; ++k)
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        if (cp < 0x10000)
            putUnit(cp);
        else
        {
            putUnit(0xD800 + ((cp - 0x10000) >> 10));
            putUnit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

bool IsValidUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();)
    {
        const std::size_t n = Utf8SequenceLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string Windows1252ToUtf8(const std::string& text)
{
    // 0x80..0x9F differ from Latin-1; unassigned codes map to themselves.
    static constexpr std::uint16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text)
    {
        const auto b = static_cast<unsigned char>(c);
        AppendUtf8(out, (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b);
    }
    return out;
}

std::string ToDisplayUtf8(const std::string& text)
{
    return IsValidUtf8(text) ? text : Windows1252ToUtf8(text);
}

std::size_t CharacterCount(const std::string& text)
{
    if (!IsValidUtf8(text))
        return text.size();
    std::size_t n = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}
