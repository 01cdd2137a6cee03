// SPDX-License-Identifier: GPL-3.0-or-later
// The compression of version 3 game resources: the writer checked by a plain reader written
// here from the format's rules, the reader on hand-packed and damaged streams.
#include "AgiTestBytes.h"
#include "PlainLzw.h"
#include "game/AgiLzw.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace
{
using Bytes8 = std::vector<std::uint8_t>;

// Codes packed least significant bit first at the widths given.
Bytes8 Pack(const std::vector<std::pair<unsigned, int>>& codes)
{
    Bytes8 out;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (const auto& [code, width] : codes)
    {
        buffer |= code << bits;
        for (bits += width; bits >= 8; bits -= 8, buffer >>= 8)
            out.push_back(static_cast<std::uint8_t>(buffer));
    }
    if (bits > 0)
        out.push_back(static_cast<std::uint8_t>(buffer));
    return out;
}

// count byte codes at one width, appended to codes and to the bytes they stand for.
void AddByteCodes(std::vector<std::pair<unsigned, int>>& codes, std::string& bytes, int count,
                  int width)
{
    for (int i = 0; i < count; ++i)
    {
        const unsigned byte = (i * 37 + bytes.size()) % 256;
        codes.push_back({byte, width});
        bytes.push_back(static_cast<char>(byte));
    }
}

std::string Decode(const Bytes8& packed, std::size_t size, std::string& out)
{
    Bytes8 bytes;
    const std::string error = DecodeAgiLzw(packed, size, bytes);
    out.assign(bytes.begin(), bytes.end());
    return error;
}

Bytes8 Random(std::size_t size, std::uint32_t seed, int distinct)
{
    std::mt19937 gen(seed);
    Bytes8 out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, distinct - 1)(gen));
    return out;
}
} // namespace

TEST(AgiLzw, WriterOutputReadsBackWithBothReaders)
{
    const std::string sound = RandomResource(7, 300, 40);
    const struct
    {
        const char* name;
        Bytes8 data;
        int minResets; // the first one included
    } cases[] = {
        {"empty", {}, 1},
        {"one byte", {0x41}, 1},
        {"a run: each string one longer", Bytes8(5000, 0), 1},
        {"a sound", Bytes8(sound.begin(), sound.end()), 1},
        {"few distinct bytes, many strings", Random(20000, 1, 4), 2},
        {"noise: the table fills again and again", Random(65535, 2, 256), 10},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Bytes8 packed = EncodeAgiLzw(c.data);
        Bytes8 decoded;
        EXPECT_EQ(DecodeAgiLzw(packed, c.data.size(), decoded), "");
        EXPECT_EQ(decoded, c.data);

        const PlainDecode plain = DecodePlainly(packed);
        EXPECT_EQ(plain.error, "");
        EXPECT_EQ(plain.out, std::string(c.data.begin(), c.data.end()));
        EXPECT_TRUE(plain.bStartsWithReset);
        EXPECT_GE(plain.resets, c.minResets);
        EXPECT_LT(plain.highestAssigned, 2048u);
        if (c.data.size() > 10000)
        {
            EXPECT_EQ(plain.widths, (std::set<int>{9, 10, 11}));
        }
    }
    EXPECT_LT(EncodeAgiLzw(Bytes8(5000, 0)).size(), 200u);
}

TEST(AgiLzw, WidthGrowsAtTheTableSizesAndResets)
{
    // 255 codes at 9 bits: the first assigns nothing, the rest 258 to 511; then 512 codes at
    // 10 bits assign up to 1023; then 11 bits until a reset brings back 9.
    auto stream = [](int atNine, int atTen)
    {
        std::vector<std::pair<unsigned, int>> codes = {{256, 9}};
        std::string bytes;
        AddByteCodes(codes, bytes, atNine, 9);
        AddByteCodes(codes, bytes, atTen, 10);
        AddByteCodes(codes, bytes, 3, 11);
        codes.push_back({256, 11});
        AddByteCodes(codes, bytes, 2, 9);
        codes.push_back({257, 9});
        return std::make_pair(Pack(codes), bytes);
    };
    const auto [good, bytes] = stream(255, 512);
    std::string out;
    EXPECT_EQ(Decode(good, bytes.size(), out), "");
    EXPECT_EQ(out, bytes);
    EXPECT_EQ(DecodePlainly(good).out, bytes);

    // One code too early or too late at either step misreads the rest.
    for (const auto& [atNine, atTen] : {std::pair{254, 513}, {256, 511}, {255, 511}, {255, 513}})
    {
        const auto [bad, badBytes] = stream(atNine, atTen);
        const std::string error = Decode(bad, badBytes.size(), out);
        EXPECT_TRUE(!error.empty() || out != badBytes) << atNine << " " << atTen;
    }
}

TEST(AgiLzw, TableCodesAndDamagedStreams)
{
    const struct
    {
        const char* name;
        Bytes8 packed;
        std::size_t size;
        std::string out;   // when readable
        std::string error; // part of the reason otherwise
    } cases[] = {
        {"a string from the table", Pack({{256, 9}, {'a', 9}, {'b', 9}, {258, 9}, {257, 9}}), 4,
         "abab", ""},
        {"the code being assigned", Pack({{256, 9}, {'a', 9}, {258, 9}, {259, 9}, {257, 9}}), 6,
         "aaaaaa", ""},
        {"bytes after the end code", Pack({{256, 9}, {'a', 9}, {257, 9}, {300, 9}}), 1, "a", ""},
        {"nothing", {}, 0, "", "ends without an end code"},
        {"no end code", Pack({{256, 9}, {'a', 9}, {'b', 9}}), 2, "", "ends without an end code"},
        {"past the table", Pack({{256, 9}, {'a', 9}, {259, 9}, {257, 9}}), 3, "",
         "code 259, past the table"},
        {"a string right after a reset", Pack({{256, 9}, {258, 9}, {257, 9}}), 2, "",
         "code 258, past the table"},
        {"shorter than its size", Pack({{256, 9}, {'a', 9}, {'b', 9}, {257, 9}}), 3, "",
         "decodes to 2 bytes, not the 3"},
        {"longer than its size", Pack({{256, 9}, {'a', 9}, {258, 9}, {259, 9}, {257, 9}}), 2, "",
         "more than the 2 bytes"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::string out;
        const std::string error = Decode(c.packed, c.size, out);
        if (c.error.empty())
        {
            EXPECT_EQ(error, "");
            EXPECT_EQ(out, c.out);
        }
        else
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_LE(out.size(), c.size);
    }
}
