// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A reader of compressed game resources written from the format's rules alone, to check the
// project's writer by.

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

// Slow and obvious: bit by bit, the table as whole strings.
struct PlainDecode
{
    std::string out;
    std::string error;
    bool bStartsWithReset = false;
    int resets = 0;
    std::size_t highestAssigned = 0;
    std::set<int> widths;
};

inline PlainDecode DecodePlainly(const std::vector<std::uint8_t>& packed)
{
    PlainDecode d;
    std::size_t bit = 0;
    auto read = [&](int width, unsigned& code)
    {
        if (bit + width > packed.size() * 8)
            return false;
        code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            code |= ((packed[bit / 8] >> (bit % 8)) & 1u) << i;
        return true;
    };
    std::vector<std::string> table;
    std::string prev;
    int width = 9;
    unsigned code = 0;
    for (bool bFirst = true; read(width, code);)
    {
        d.widths.insert(width);
        if (bit == 9)
            d.bStartsWithReset = code == 256;
        if (code == 257)
            return d;
        if (code == 256)
        {
            ++d.resets;
            table.assign(258, "");
            for (int c = 0; c < 256; ++c)
                table[c] = std::string(1, static_cast<char>(c));
            width = 9;
            bFirst = true;
            continue;
        }
        std::string s;
        if (code < table.size() && (code < 256 || !bFirst))
            s = table[code];
        else if (code == table.size() && !bFirst)
            s = prev + prev[0];
        else
            return d.error = "code past the table", d;
        if (!bFirst)
        {
            table.push_back(prev + s[0]);
            d.highestAssigned = std::max(d.highestAssigned, table.size() - 1);
        }
        d.out += s;
        prev = s;
        bFirst = false;
        width = table.size() < 512 ? 9 : table.size() < 1024 ? 10 : 11;
        if (table.size() > 2048)
            return d.error = "table overfull", d;
    }
    d.error = "no end code";
    return d;
}
