// SPDX-License-Identifier: GPL-3.0-or-later
// Version 3 game folders through the game folder: listing, reading and writing as a version 2
// folder is, with compressed records; what is written is read back by a plain reader.
#include "GameTestFolders.h"
#include "game/GameFolder.h"
#include "game/GameSoundExport.h"
#include "sound/AgiResource.h"
#include "support/RenderedSound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <set>

namespace fs = std::filesystem;

TEST(GameFolderV3, ListsEverySoundWithTheGamesVersion)
{
    const std::string dir = MakeV3Game(true);
    WriteFileBytes(dir + "/AGIDATA.OVL", std::string("\0\x01 Version 3.002.086\0", 22));
    const std::string packed = Packed(kRepeatedSound);
    AddV3Sounds(dir, 0,
                {UnendingV3Record(0), V3Record(0x80, kSound0.size(), kSound0),
                 V3Record(0, 9, Bytes({0x00, 0xC3, 0xB0, 0x0C, 0x08}))});
    std::string description;
    const std::string list = ListText(dir, &description);
    EXPECT_EQ(description, "version 3 game KQ4, interpreter 3.002.086");
    const std::string expected[] = {
        "0:" + std::to_string(kRepeatedSound.size()) + "/60 in " + std::to_string(packed.size()),
        "2:" + std::to_string(kSound2.size()) + "/40 ",
        "3:0/0(", // never ends
        "4:0/0(it is stored as a packed picture)",
        "5:0/0(",
    };
    for (const std::string& line : expected)
        EXPECT_NE(list.find(line), std::string::npos) << line << " in " << list;
    EXPECT_EQ(list.find("1:"), std::string::npos);
    EXPECT_NE(list.find("without an end"), std::string::npos) << list;
    EXPECT_NE(list.find("past the table"), std::string::npos) << list;

    CGameFolder game;
    GameBytes bytes;
    ASSERT_EQ(game.Open(dir), "");
    ASSERT_EQ(game.ReadSound(0, bytes), "");
    EXPECT_EQ(bytes, ToBytes(kRepeatedSound));
    ASSERT_EQ(game.ReadSound(2, bytes), "");
    EXPECT_EQ(bytes, ToBytes(kSound2));
    for (const int n : {1, 3, 4, 5, 6})
    {
        const std::string error = game.ReadSound(n, bytes);
        EXPECT_NE(error.find("sound " + std::to_string(n) + " of the game folder " + dir),
                  std::string::npos)
            << error;
    }
}

TEST(GameFolderV3, TheInterpreterIsFoundOrAssumed)
{
    const GameLayout* v2 = &kV2Layout;
    const GameLayout* v3 = &kV3Layout;
    const struct
    {
        const GameLayout* pLayout;
        bool bBoth; // the version 3 files beside the version 2 ones
        const char* agidataName;
        std::string agidata;
        std::string description;
        FadeKind fade;
    } cases[] = {
        {v3, false, "", "", "version 3 game KQ4, interpreter 3.002.149 (assumed)", FadeKind::V3},
        {v3, false, "agidata.ovl", "2.936", "version 3 game KQ4, interpreter 2.936", FadeKind::V2},
        {v2, false, "", "", "version 2 game, interpreter 2.917 (assumed)", FadeKind::V2},
        {v2, false, "AGIDATA.OVL", "xx2.440", "version 2 game, interpreter 2.440", FadeKind::None},
        // Both layouts hold sounds 0 and 2; the version 2 ones are read.
        {v2, true, "", "",
         "version 2 game, interpreter 2.917 (assumed); the folder holds version 3 files of KQ4 "
         "too, which are not read",
         FadeKind::V2},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.description);
        const std::string dir = c.pLayout->Make(!c.bBoth);
        if (c.bBoth)
            for (const auto& e : fs::directory_iterator(MakeV3Game(true)))
                fs::copy_file(e.path(), dir + "/" + e.path().filename().string());
        if (*c.agidataName != '\0')
            WriteFileBytes(dir + "/" + c.agidataName, c.agidata);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        EXPECT_EQ(game.Describe(), c.description);
        EXPECT_EQ(game.GetInterpreterFade(), c.fade);
        std::vector<GameSoundInfo> sounds;
        ASSERT_EQ(game.ListSounds(sounds), "");
        ASSERT_EQ(sounds.size(), 2u);
        EXPECT_EQ(sounds[0].bytes, c.pLayout->sound0.size());
        EXPECT_EQ(sounds[1].bytes, kSound2.size());
    }
}

TEST(GameFolderV3, BadFoldersAreRefusedNamingTheFolder)
{
    const auto dirBytes = [](const std::string& bytes)
    { return [bytes](const std::string& dir) { WriteFileBytes(dir + "/KQ4DIR", bytes); }; };
    const std::string sounds = Entry(0, 0) + Entry(1, 3);
    const struct
    {
        const char* name;
        std::function<void(const std::string&)> spoil;
        std::string error;
    } cases[] = {
        {"neither layout", [](const std::string& dir) { fs::remove(dir + "/KQ4VOL.0"); },
         "has neither SNDDIR nor an <ID>DIR file beside an <ID>VOL.0"},
        {"an offset past the end", dirBytes(Le16(8) + Le16(8) + Le16(8) + Le16(15) + sounds),
         "the sound section of KQ4DIR starts past its end"},
        {"a volume past 15",
         [](const std::string& dir) { WriteFileBytes(dir + "/KQ4VOL.16", "x"); },
         "has KQ4VOL.16, a volume number past 15"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string dir = MakeV3Game(true);
        c.spoil(dir);
        const auto before = Snapshot(dir);
        CGameFolder game;
        std::vector<GameSoundInfo> list;
        GameBytes bytes;
        std::string error = game.Open(dir);
        const std::string listError = error.empty() ? game.ListSounds(list) : error;
        const std::string readError = error.empty() ? game.ReadSound(2, bytes) : error;
        const std::string writeError = error.empty() ? game.WriteSound(2, GameBytes(3, 1)) : error;
        for (const std::string& e : {listError, readError, writeError})
        {
            EXPECT_NE(e.find("The game folder " + dir), std::string::npos) << e;
            EXPECT_NE(e.find(c.error), std::string::npos) << e;
        }
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(Snapshot(dir), before);
    }
}

TEST(ConvertGameV3, ASoundPlaysWithItsInterpretersFade)
{
    // One note held for two seconds: a 3.x or 2.9 interpreter lets it die away, 2.4xx not.
    const std::string note = Resource({Tone(0, 120, 254, 0), "", "", ""});
    const struct
    {
        const char* agidata;
        bool bFades;
    } cases[] = {{"", true}, {"Version 2.440", false}, {"2.917", true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.agidata);
        const std::string dir = MakeV3Game(true);
        WriteFileBytes(dir + "/KQ4VOL.1", "pad" + V3SoundRecord(1, note));
        if (*c.agidata != '\0')
            WriteFileBytes(dir + "/AGIDATA.OVL", c.agidata);
        const std::string wav = MakeTempDir() + "/note.wav";
        ASSERT_EQ(RunConvert("--game " + dir + " --sound 2 --chip pcjr " + wav).exitCode, 0);
        const std::vector<std::int16_t> samples = WavSamples(ReadFileBytes(wav));
        ASSERT_GE(samples.size(), 110u * 735);
        const double start = Rms(samples, 735, 4 * 735), end = Rms(samples, 100 * 735, 110 * 735);
        ASSERT_GT(start, 1000);
        if (c.bFades)
            EXPECT_LT(end, start / 10);
        else
            EXPECT_GT(end, start * 0.9);
    }
}

TEST(ConvertGameV3, AllSoundsAtOnceAreTheOneByOneConversions)
{
    const std::string dir = MakeV3Game(true);
    AddV3Sounds(dir, 1, {UnendingV3Record(1)}); // sound 3
    const auto before = Snapshot(dir);
    const struct
    {
        const char* options;
        const char* extension;
    } cases[] = {{"--to wav --chip pcjr", "wav"},
                 {"--to wav --whole", "wav"},
                 {"--to mid --instruments 1,2,3", "mid"},
                 {"--to agi", "agi"},
                 {"--to tks", "tks"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.options);
        const std::string out = MakeTempDir() + "/made/here";
        const ConvertResult all = RunConvert("--game " + dir + " --all " + c.options + " " + out);
        EXPECT_EQ(all.exitCode, 1);
        EXPECT_NE(all.out.find("sound 3: damaged: "), std::string::npos) << all.out;
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(out))
            names.insert(e.path().filename().string());
        const std::string ext = c.extension;
        EXPECT_EQ(names, (std::set<std::string>{"sound000." + ext, "sound002." + ext}));
        for (const int n : {0, 2})
        {
            const std::string one = MakeTempDir() + "/one." + ext;
            ASSERT_EQ(RunConvert("--game " + dir + " --sound " + std::to_string(n) + " " +
                                 c.options + " " + one)
                          .exitCode,
                      0);
            EXPECT_EQ(ReadFileBytes(out + "/" + GameSoundFileName(n, ext)), ReadFileBytes(one))
                << n;
        }
    }
    EXPECT_EQ(Snapshot(dir), before);

    // A folder that cannot be read: nothing is made.
    WriteFileBytes(dir + "/KQ4DIR", Le16(8) + Le16(8));
    const std::string out = MakeTempDir() + "/not-made";
    const ConvertResult bad = RunConvert("--game " + dir + " --all --to agi " + out);
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.out.find("The game folder " + dir), std::string::npos) << bad.out;
    EXPECT_FALSE(fs::exists(out));
}
