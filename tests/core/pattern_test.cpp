#include "framework/Archive.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace
{
std::string Block(std::initializer_list<int> bytes)
{
    std::string out;
    for (int b : bytes)
        out += static_cast<char>(b);
    return out;
}

std::string Le32(std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    return Block({static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF),
                  static_cast<int>((u >> 16) & 0xFF), static_cast<int>(u >> 24)});
}

std::unique_ptr<CSoundPattern> MakePattern(const std::string& name, std::int32_t rows)
{
    auto p = std::make_unique<CSoundPattern>(rows);
    p->SetName(name);
    for (std::int32_t r = 0; r < rows; ++r)
        p->SetCell(r, SoundCell::Empty());
    return p;
}
} // namespace

TEST(PatternBlock, NewPatternHasTheDocumentedBytes)
{
    CSoundDoc doc;
    CSoundPattern* p = doc.CreatePattern(0, 16);
    std::string expected = Block({0x10, 0, 0, 0, 0x03, '0', '0', '0'});
    for (int i = 0; i < 16; ++i)
        expected += Block({0xFF, 0xFF, 0xFF, 0x00});
    EXPECT_EQ(Hex(CSoundDoc::CopyPatternToGlobal(p)), Hex(expected));
}

TEST(PatternBlock, CellsTravelInBlockOrderAndNoiseTypeIsOneBit)
{
    auto p = MakePattern("n", 2);
    p->SetCell(0, {60, 2, 7, 4}); // any non-zero noise type stands for white noise
    p->SetCell(1, {NOTE_OFF, FREQ_OFF, 0, 15});
    const std::string block = CSoundDoc::CopyPatternToGlobal(p.get());
    EXPECT_EQ(Hex(block.substr(6)), "3C 04 02 01 76 0F F0 00");

    auto back = CSoundDoc::PatternFromGlobal(block);
    EXPECT_EQ(back->GetRows(), 2);
    EXPECT_EQ(back->GetName(), "n");
    EXPECT_EQ(back->GetCell(0), (SoundCell{60, 2, 1, 4}));
    EXPECT_EQ(back->GetCell(1), (SoundCell{NOTE_OFF, FREQ_OFF, 0, 15}));
}

TEST(PatternBlock, LongAndWideNames)
{
    auto p = MakePattern(std::string(300, 'x'), 1);
    const std::string block = CSoundDoc::CopyPatternToGlobal(p.get());
    EXPECT_EQ(Hex(block.substr(4, 3)), "FF 2C 01");
    EXPECT_EQ(CSoundDoc::PatternFromGlobal(block)->GetName(), std::string(300, 'x'));

    // A 16-bit-character name: FF FE FF, its length in characters, then UTF-16LE.
    const std::string wide = Le32(1) + Block({0xFF, 0xFE, 0xFF, 3, 'B', 0, 0xE4, 0, 0xAC, 0x20}) +
                             Block({60, 0, 255, 0});
    auto back = CSoundDoc::PatternFromGlobal(wide);
    EXPECT_EQ(back->GetName(), "B\xC3\xA4\xE2\x82\xAC"); // "Bä€"
    EXPECT_EQ(back->GetCell(0), (SoundCell{60, 255, 0, 0}));
}

TEST(PatternBlock, UntrustedBlocksAreRefused)
{
    auto refuses = [](const std::string& block)
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
    };
    const std::string largest = Le32(CSoundPattern::kMaxRows) + Block({0}) +
                                std::string(4 * CSoundPattern::kMaxRows, '\x05');
    EXPECT_EQ(CSoundDoc::PatternFromGlobal(largest)->GetCell(CSoundPattern::kMaxRows - 1),
              (SoundCell{5, 5, 1, 5}));
    EXPECT_TRUE(refuses(Le32(-1) + Block({0})));
    EXPECT_TRUE(refuses(Le32(CSoundPattern::kMaxRows + 1) + Block({0})));
    EXPECT_TRUE(refuses(Le32(0x7FFFFFFF) + Block({0})));
    // Name lengths beyond the data, in each length form.
    EXPECT_TRUE(refuses(Le32(0) + Block({5, 'a', 'b'})));
    EXPECT_TRUE(refuses(Le32(0) + Block({0xFF, 0x00, 0x10}) + "abc"));
    EXPECT_TRUE(refuses(Le32(0) + Block({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}) + "abc"));
    EXPECT_TRUE(refuses(Le32(0) + Block({0xFF, 0xFE, 0xFF, 2, 'a', 0})));

    // Every proper prefix of a valid block ends early.
    auto p = MakePattern("abc", 3);
    const std::string block = CSoundDoc::CopyPatternToGlobal(p.get());
    for (std::size_t n = 0; n < block.size(); ++n)
        EXPECT_TRUE(refuses(block.substr(0, n))) << "prefix of " << n << " bytes";
    EXPECT_FALSE(refuses(block));
}

TEST(PatternRows, ResizeKeepsRowsAndFillsNewOnesEmpty)
{
    auto p = MakePattern("p", 32);
    for (int r = 0; r < 32; ++r)
        p->SetCell(r, {static_cast<std::uint8_t>(r), 255, 0, 3});
    p->SetRows(16);
    EXPECT_EQ(p->GetRows(), 16);
    EXPECT_EQ(p->GetCell(20), SoundCell{}); // outside reads as zeros
    p->SetRows(32);
    EXPECT_EQ(p->GetRows(), 32);
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(p->GetCell(r).note, r);
    for (int r = 16; r < 32; ++r)
        EXPECT_EQ(p->GetCell(r), SoundCell::Empty()) << r;

    p->SetCell(32, {1, 1, 1, 1}); // outside: ignored
    p->SetCell(-1, {1, 1, 1, 1});
    EXPECT_EQ(p->GetRows(), 32);
    EXPECT_EQ(p->GetCell(32), SoundCell{});
}

TEST(PatternNotes, NoteText)
{
    EXPECT_EQ(NoteText(0), "C-0");
    EXPECT_EQ(NoteText(49), "C#4");
    EXPECT_EQ(NoteText(60), "C-5");
    EXPECT_EQ(NoteText(117), "A-9");
}
