// SPDX-License-Identifier: GPL-3.0-or-later
// Version 3 game folders built here byte by byte: finding the layout, the combined directory,
// volume records stored or compressed, damaged ones, and the interpreter's version.
#include "GameTestFolders.h"
#include "game/AgiFolderLayout.h"
#include "game/AgiV3Directory.h"
#include "game/AgiV3Volume.h"
#include "game/InterpreterVersion.h"

#include <gtest/gtest.h>

#include <random>

TEST(GameV3Layout, FoundByNamesWhateverTheirCase)
{
    // "version directory volume:name... [both]", then any error.
    const auto shown = [](const AgiFolderLayout& layout)
    {
        std::string text = std::to_string(layout.version) + " " + layout.dirName;
        for (const auto& [n, name] : layout.volNames)
            text += " " + std::to_string(n) + ":" + name;
        return text + (layout.bBothLayouts ? " both" : "") + layout.error;
    };
    const std::string neither = "0 has neither SNDDIR nor an <ID>DIR file beside an <ID>VOL.0";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"SNDDIR", "VOL.0", "VOL.1", "LOGDIR"}, "2 SNDDIR 0:VOL.0 1:VOL.1"},
        {{"KQ4VOL.1", "KQ4DIR", "KQ4VOL.0", "KQ4VOL.16", "AGIDATA.OVL"},
         "3 KQ4DIR 0:KQ4VOL.0 1:KQ4VOL.1"},
        {{"grdir", "GrVol.0", "grvol.15", "words.tok"}, "3 grdir 0:GrVol.0 15:grvol.15"},
        {{"MHDIR", "MHVOL.0", "snddir", "vol.0"}, "2 snddir 0:vol.0 both"},
        {{"KQ4DIR", "VOL.0", "LOGDIR"}, neither},
        {{"GRDIR", "GRVOL.0", "BCDIR", "BCVOL.0"}, "0 holds more than one version 3 game (BC, GR)"},
        {{"DIR", "VOL.0"}, neither},
    };
    for (const auto& [names, expected] : cases)
        EXPECT_EQ(shown(FindAgiFolderLayout(names)), expected) << names[0];
    EXPECT_EQ(FindAgiFolderLayout(cases[3].first).id, "MH");
}

TEST(GameV3Directory, DamagedHeadersAreRefused)
{
    const std::string entries = Entry(0, 0) + Entry(0, 7);
    const std::pair<std::string, std::string> cases[] = {
        {Le16(8) + Le16(8) + Le16(8), "shorter than its 8-byte header (6 bytes)"},
        {Le16(8) + Le16(14) + Le16(11) + Le16(14) + entries, "out of order (8, 14, 11, 14)"},
        {Le16(6) + Le16(8) + Le16(8) + Le16(8) + entries, "starts inside its header"},
        {Le16(8) + Le16(8) + Le16(8) + Le16(15) + entries,
         "sound section of KQ4DIR starts past its end (offset 15 of 14 bytes)"},
    };
    for (const auto& [bytes, expected] : cases)
    {
        AgiV3Sections sections;
        const std::string error = ReadV3Sections(ToBytes(bytes), "KQ4DIR", sections);
        EXPECT_NE(error.find(expected), std::string::npos) << error;
        GameBytes dir = ToBytes(bytes);
        EXPECT_NE(SetV3DirEntry(dir, "KQ4DIR", EAgiSection::Sound, 0, {false, 1, 5}), "");
        EXPECT_EQ(dir, ToBytes(bytes));
    }
    // A section may be empty, the sound one at the very end too.
    AgiV3Sections sections;
    EXPECT_EQ(
        ReadV3Sections(ToBytes(Le16(8) + Le16(8) + Le16(14) + Le16(14) + entries), "D", sections),
        "");
    EXPECT_EQ(V3EntryCount(sections, EAgiSection::Picture), 2);
    EXPECT_EQ(V3EntryCount(sections, EAgiSection::Sound), 0);
}

TEST(GameV3Directory, SettingAnEntryMovesOnlyTheSectionsAfterIt)
{
    // Logic 0; no pictures; views 0-1; sounds 0-1 and a stray byte short of an entry.
    const std::string original =
        V3Dir({Entry(0, 0), "", Entry(0, 7) + Entry(1, 9), Entry(1, 20) + Entry(2, 0) + "\x5a"});
    const std::tuple<EAgiSection, int, std::size_t> cases[] = {
        {EAgiSection::Sound, 1, 0}, {EAgiSection::Sound, 2, 2},   {EAgiSection::Sound, 4, 8},
        {EAgiSection::View, 3, 6},  {EAgiSection::Picture, 0, 3}, {EAgiSection::Logic, 0, 0},
    };
    const AgiDirEntry written{false, 3, 0x54321};
    for (const auto& [changed, changedN, growth] : cases)
    {
        SCOPED_TRACE(static_cast<int>(changed) * 100 + changedN);
        GameBytes dir = ToBytes(original);
        ASSERT_EQ(SetV3DirEntry(dir, "D", changed, changedN, written), "");
        EXPECT_EQ(dir.size(), original.size() + growth);
        AgiV3Sections before, after;
        ASSERT_EQ(ReadV3Sections(ToBytes(original), "D", before), "");
        ASSERT_EQ(ReadV3Sections(dir, "D", after), "");
        for (int k = 0; k < kAgiSections; ++k)
        {
            const auto section = static_cast<EAgiSection>(k);
            EXPECT_EQ(after.start[k], before.start[k] + (section > changed ? growth : 0));
            for (int n = 0; n < std::max(V3EntryCount(after, section), 2); ++n)
                EXPECT_EQ(ReadV3DirEntry(dir, after, section, n),
                          section == changed && n == changedN
                              ? written
                              : ReadV3DirEntry(ToBytes(original), before, section, n))
                    << k << " " << n;
        }
        // Bytes after the changed section are the old ones, moved.
        const std::size_t k = static_cast<std::size_t>(changed);
        EXPECT_TRUE(k + 1 == kAgiSections ||
                    std::equal(original.begin() + before.start[k + 1], original.end(),
                               dir.begin() + after.start[k + 1], dir.end()));
    }

    // Offsets are 16 bits: the sound section would start past them.
    const std::string huge = V3Dir({"", "", std::string(0xFFFF - 8, '\xFF'), ""});
    GameBytes dir = ToBytes(huge);
    EXPECT_NE(SetV3DirEntry(dir, "D", EAgiSection::Picture, 0, written).find("would pass 65535"),
              std::string::npos);
    EXPECT_EQ(dir, ToBytes(huge));
}

TEST(GameV3Volume, SoundsRoundTripCompressedOrStored)
{
    std::mt19937 gen(3);
    std::string noise(3000, '\0');
    for (char& b : noise)
        b = static_cast<char>(gen());
    const std::tuple<const char*, std::string, bool> cases[] = {
        {"a sound with repeats", kRepeatedSound, true},
        {"a long random sound", RandomResource(11, 2000, 300), true},
        {"bytes that do not compress", noise, false},
        {"nothing", "", false},
        {"the largest", std::string(65535, '\x10'), true},
    };
    for (const auto& [name, sound, bCompressed] : cases)
    {
        SCOPED_TRACE(name);
        GameBytes record;
        ASSERT_EQ(MakeV3SoundRecord(5, ToBytes(sound), record), "");
        AgiV3Resource read;
        ASSERT_EQ(ReadV3Resource(record, "VOL.5", {false, 5, 0}, read), "");
        EXPECT_EQ(read.bytes, ToBytes(sound));
        EXPECT_EQ(read.header.volume, 5);
        EXPECT_EQ(read.header.unpackedSize, sound.size());
        EXPECT_EQ(read.header.IsCompressed(), bCompressed);
        EXPECT_EQ(record.size(), kV3VolHeaderBytes + read.header.storedSize);
        EXPECT_TRUE(!bCompressed || read.header.storedSize < sound.size());
    }
    GameBytes record;
    EXPECT_NE(MakeV3SoundRecord(0, GameBytes(65536, 1), record), "");
    EXPECT_TRUE(record.empty());
}

TEST(GameV3Volume, DamagedResourcesGiveTheirReason)
{
    const std::string packed = Packed(kRepeatedSound);
    const std::string good = V3Record(0, kRepeatedSound.size(), packed);
    const std::tuple<const char*, std::string, std::uint32_t, std::string> cases[] = {
        {"entry past the end", good, static_cast<std::uint32_t>(good.size()), "points past"},
        {"header cut", good + Bytes({0x12, 0x34, 0, 1, 0, 1}),
         static_cast<std::uint32_t>(good.size()), "header runs past"},
        {"no signature", "xx" + good, 1, "no resource signature at offset 1"},
        {"stored bytes past the end", good.substr(0, good.size() - 1), 0,
         std::to_string(packed.size()) + " stored bytes run past the end of VOL.0"},
        {"size not what it decodes to", V3Record(0, kRepeatedSound.size() + 1, packed), 0,
         "decodes to " + std::to_string(kRepeatedSound.size()) + " bytes"},
        // Reset, 'a', 300, end at 9 bits.
        {"code past the table", V3Record(0, 9, Bytes({0x00, 0xC3, 0xB0, 0x0C, 0x08})), 0,
         "code 300, past the table"},
        {"no end code", UnendingV3Record(0), 0, "without an end"},
        {"a packed picture", V3Record(0x80, kRepeatedSound.size(), packed), 0, "packed picture"},
    };
    for (const auto& [name, vol, offset, expected] : cases)
    {
        GameBytes sound;
        const std::string error = ReadV3Sound(ToBytes(vol), "VOL.0", {false, 0, offset}, sound);
        EXPECT_NE(error.find(expected), std::string::npos) << name << ": " << error;
    }
    // A packed picture comes back as stored, whatever its sizes say.
    AgiV3Resource picture;
    ASSERT_EQ(ReadV3Resource(ToBytes(V3Record(0x83, 100, "pic")), "VOL.3", {false, 3, 0}, picture),
              "");
    EXPECT_TRUE(picture.header.bPackedPicture);
    EXPECT_EQ(picture.header.volume, 3);
    EXPECT_EQ(picture.bytes, ToBytes("pic"));
}

TEST(InterpreterVersion, FoundOrAssumedAndItsFade)
{
    const std::tuple<std::string, int, std::string, const char*> cases[] = {
        {"", 2, "2.917 (assumed)", "2.9"},
        {"", 3, "3.002.149 (assumed)", "3"},
        {std::string("\0\x02Version 2.440\0", 15), 2, "2.440", "none"},
        {"v2.936 and 3.002.086", 2, "2.936", "2.9"},
        {"ver 3.002.086", 2, "3.002.086", "3"},
        // Unknown releases, a cut version, a version 3 with letters.
        {"2.999 2.91", 3, "3.002.149 (assumed)", "3"},
        {"3.002.08x 3.02.086", 2, "2.917 (assumed)", "2.9"},
    };
    for (const auto& [agidata, layout, shown, fade] : cases)
    {
        const InterpreterVersion version = FindInterpreterVersion(ToBytes(agidata), layout);
        EXPECT_EQ(DescribeInterpreterVersion(version), shown) << agidata;
        EXPECT_STREQ(FadeKindName(FadeOfInterpreter(version.text)), fade) << agidata;
    }
}
