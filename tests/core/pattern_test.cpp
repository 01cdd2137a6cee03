// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "framework/Archive.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace
{
std::string Repeat(const std::string& s, int n)
{
    std::string out;
    while (n-- > 0)
        out += s;
    return out;
}

bool Refused(const std::string& block)
{
    try
    {
        CSoundDoc::PatternFromGlobal(block);
    }
    catch (const CArchiveException& e)
    {
        return !e.m_strMessage.empty();
    }
    return false;
}
} // namespace

TEST(PatternBlock, BytesOfNewAndEditedPatterns)
{
    CSoundDoc doc;
    CSoundPattern* p = doc.CreatePattern(0, 16);
    EXPECT_EQ(Hex(CSoundDoc::CopyPatternToGlobal(p)),
              "10 00 00 00 03 30 30 30" + Repeat(" FF FF FF 00", 16));

    // Cells travel as note, attenuation, frequency, noise type; any non-zero type is white.
    p->SetRows(2);
    p->SetName("n");
    p->SetCell(0, {60, 2, 7, 4});
    p->SetCell(1, {NOTE_OFF, FREQ_OFF, 0, 15});
    const std::string block = CSoundDoc::CopyPatternToGlobal(p);
    EXPECT_EQ(Hex(block), "02 00 00 00 01 6E 3C 04 02 01 76 0F F0 00");
    auto back = CSoundDoc::PatternFromGlobal(block);
    EXPECT_EQ(Hex(CSoundDoc::CopyPatternToGlobal(back.get())), Hex(block));
    EXPECT_EQ(back->GetCell(0), (SoundCell{60, 2, 1, 4}));
}

TEST(PatternBlock, LongAndWideNames)
{
    CSoundPattern p(1);
    p.SetName(std::string(300, 'x'));
    const std::string block = CSoundDoc::CopyPatternToGlobal(&p);
    EXPECT_EQ(Hex(block.substr(4, 3)), "FF 2C 01");
    EXPECT_EQ(CSoundDoc::PatternFromGlobal(block)->GetName(), std::string(300, 'x'));

    // A 16-bit-character name: FF FE FF, its length in characters, then UTF-16LE.
    auto wide = CSoundDoc::PatternFromGlobal(
        Le32(1) + Bytes({0xFF, 0xFE, 0xFF, 3, 'B', 0, 0xE4, 0, 0xAC, 0x20, 60, 0, 255, 0}));
    EXPECT_EQ(wide->GetName(), "B\xC3\xA4\xE2\x82\xAC"); // "Bä€"
    EXPECT_EQ(wide->GetCell(0), (SoundCell{60, 255, 0, 0}));
}

TEST(PatternBlock, UntrustedBlocksAreRefused)
{
    const std::uint32_t kMax = CSoundPattern::kMaxRows;
    const std::string largest = Le32(kMax) + Bytes({0}) + std::string(4 * kMax, '\x05');
    EXPECT_EQ(CSoundDoc::PatternFromGlobal(largest)->GetCell(kMax - 1), (SoundCell{5, 5, 1, 5}));
    // Row counts out of range, then name lengths beyond the data in each length form.
    for (const std::string& bad :
         {Le32(-1) + Bytes({0}), Le32(kMax + 1) + Bytes({0}), Le32(0x7FFFFFFF) + Bytes({0}),
          Le32(0) + Bytes({5, 'a', 'b'}), Le32(0) + Bytes({0xFF, 0x00, 0x10}) + "abc",
          Le32(0) + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}) + "abc",
          Le32(0) + Bytes({0xFF, 0xFE, 0xFF, 2, 'a', 0})})
        EXPECT_TRUE(Refused(bad)) << Hex(bad);

    CSoundPattern p(3);
    p.SetName("abc");
    const std::string block = CSoundDoc::CopyPatternToGlobal(&p);
    for (std::size_t n = 0; n < block.size(); ++n)
        EXPECT_TRUE(Refused(block.substr(0, n))) << "prefix of " << n << " bytes";
    EXPECT_FALSE(Refused(block));
}

TEST(PatternBlock, ExactDivisorsFollowTheCells)
{
    CSoundPattern p(2);
    p.SetCell(0, {66, 255, 0, 2, 288});
    const std::string block = CSoundDoc::CopyPatternToGlobal(&p);
    EXPECT_EQ(Hex(block), "02 00 00 00 00 42 02 FF 00 00 00 00 00 54 6B 44 76 20 01 FF FF");
    EXPECT_EQ(CSoundDoc::PatternFromGlobal(block)->GetCell(0), p.GetCell(0));
    // Older versions stop before the section; a block without it, or with other bytes
    // there, has no divisors. A section cut short or with a divisor beyond 1023 is refused.
    for (const std::string& tail : {std::string(), std::string("TkDx0123")})
        EXPECT_FALSE(
            CSoundDoc::PatternFromGlobal(block.substr(0, 13) + tail)->GetCell(0).HasDivisor());
    for (const std::string& bad :
         {block.substr(0, 20), block.substr(0, 17) + Bytes({0, 4, 255, 255})})
        EXPECT_TRUE(Refused(bad)) << Hex(bad);
}

TEST(PatternRows, ResizeKeepsRowsAndFillsNewOnesEmpty)
{
    CSoundPattern p(32);
    for (int r = 0; r < 32; ++r)
        p.SetCell(r, {static_cast<std::uint8_t>(r), 255, 0, 3});
    p.SetRows(16);
    EXPECT_EQ(p.GetCell(20), SoundCell{}); // outside reads as zeros
    p.SetRows(32);
    p.SetCell(32, {1, 1, 1, 1}); // outside: ignored
    p.SetCell(-1, {1, 1, 1, 1});
    EXPECT_EQ(p.GetRows(), 32);
    EXPECT_EQ(Hex(CSoundDoc::CopyPatternToGlobal(&p).substr(5 + 4 * 14)),
              "0E 03 FF 00 0F 03 FF 00" + Repeat(" FF FF FF 00", 16));
}
