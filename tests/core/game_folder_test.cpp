// SPDX-License-Identifier: GPL-3.0-or-later
// Game folders of both layouts made here, through the game folder, its export of every sound
// and the converter's game commands; what is written is read back by a plain reader.
#include "GameTestFolders.h"
#include "game/GameFolder.h"
#include "game/GameSoundExport.h"
#include "sound/AgiResource.h"
#include "support/RenderedSound.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <mutex>
#include <numeric>
#include <set>

namespace fs = std::filesystem;

TEST(GameFolder, EverySoundOfEitherLayoutIsListedAndDamagedOnesAreRefused)
{
    // Version 2: sounds 3-6 point past the end, at no signature, at a record running past the
    // end, into a missing VOL file; 7 is readable bytes that are no sound.
    const std::string v2 = MakeGame(true);
    const std::string vol0 = ReadFileBytes(v2 + "/VOL.0");
    const int end = static_cast<int>(vol0.size());
    WriteFileBytes(v2 + "/VOL.0",
                   vol0 + VolRecord(0, "xyz") + "zz" + Bytes({0x12, 0x34, 0, 0xFF, 0}));
    WriteFileBytes(v2 + "/SNDDIR", ReadFileBytes(v2 + "/SNDDIR") + Entry(0, end + 99) +
                                       Entry(0, end + 8) + Entry(0, end + 10) + Entry(4, 0) +
                                       Entry(0, end));
    // Version 3: sound 3 never ends, 4 is stored as a packed picture.
    const std::string v3 = MakeV3Game(true);
    WriteFileBytes(v3 + "/AGIDATA.OVL", std::string("\0\x01 Version 3.002.086\0", 22));
    AddV3Sounds(v3, 0, {UnendingV3Record(0), V3Record(0x80, kSound0.size(), kSound0)});
    // The folder, its description, parts of its listing, the sounds read and those refused.
    const std::tuple<std::string, std::string, std::vector<std::string>,
                     std::vector<std::pair<int, std::string>>, std::vector<int>>
        cases[] = {
            {v2,
             "version 2 game, interpreter 2.917 (assumed)",
             {"3:0/0(its entry points past the end of VOL.0)",
              "4:0/0(no resource signature at offset " + std::to_string(end + 8),
              "5:0/0(it runs past the end of VOL.0)", "6:0/0(VOL.4 is missing)",
              "7:3/0(Raw data too short! ( 3 bytes ))"},
             {{7, "xyz"}},
             {1, 3, 4, 5, 6, 99}},
            {v3,
             "version 3 game KQ4, interpreter 3.002.086",
             {"0:" + std::to_string(kRepeatedSound.size()) + "/60 in " +
                  std::to_string(Packed(kRepeatedSound).size()),
              "2:" + std::to_string(kSound2.size()) + "/40 ", "3:0/0(", "without an end",
              "4:0/0(it is stored as a packed picture)"},
             {{0, kRepeatedSound}, {2, kSound2}},
             {1, 3, 4, 5}},
        };
    for (const auto& [dir, expectedDescription, listed, readable, refused] : cases)
    {
        SCOPED_TRACE(expectedDescription);
        std::string description;
        const std::string list = ListText(dir, &description);
        EXPECT_EQ(description, expectedDescription);
        for (const std::string& line : listed)
            EXPECT_NE(list.find(line), std::string::npos) << line << " in " << list;
        EXPECT_EQ(list.find("1:"), std::string::npos);

        CGameFolder game;
        GameBytes bytes;
        ASSERT_EQ(game.Open(dir), "");
        for (const auto& [n, sound] : readable)
        {
            EXPECT_EQ(game.ReadSound(n, bytes), "");
            EXPECT_EQ(bytes, ToBytes(sound));
        }
        for (const int n : refused)
            EXPECT_NE(game.ReadSound(n, bytes).find("sound " + std::to_string(n) +
                                                    " of the game folder " + dir),
                      std::string::npos);
    }
}

TEST(GameFolder, WritesInPlaceAppendedOrInANewVolumeOfEitherLayout)
{
    std::string distinct(40, '\0');
    std::iota(distinct.begin(), distinct.end(), '\0');
    const std::string longSound = Resource({Repeat(Tone(0, 10, 427, 2), 60), "", "", ""});
    const GameLayout* v2 = &kV2Layout;
    const GameLayout* v3 = &kV3Layout;
    // Volume 1 is padded to vol1Size first (0: as made).
    struct Case
    {
        const char* name;
        const GameLayout* pLayout;
        bool bUpper;
        int n;
        std::string resource;
        std::size_t vol1Size;
        int volume;
        bool bInPlace, bCompressed;
        std::string backedUp;
    };
    const std::vector<Case> cases = {
        {"in place", v2, true, 2, "short", 0, 1, true, false, "VOL.1"},
        {"longer: appended", v2, true, 0, distinct, 0, 1, false, false, "SNDDIR VOL.1"},
        {"new number grows SNDDIR", v2, true, 9, "x", 0, 1, false, false, "SNDDIR VOL.1"},
        {"fills VOL.1 exactly", v2, true, 1, distinct, kMaxVolBytes - 45, 1, false, false,
         "SNDDIR VOL.1"},
        {"one byte more: VOL.2", v2, true, 1, distinct, kMaxVolBytes - 44, 2, false, false,
         "SNDDIR"},
        {"v3 in place, stored", v3, true, 0, "short", 0, 0, true, false, "KQ4VOL.0"},
        {"v3 in place, compressed", v3, true, 2, std::string(100, '\x10'), 0, 1, true, true,
         "KQ4VOL.1"},
        {"v3 a byte too long: appended", v3, true, 2, kSound2 + "!", 0, 1, false, false,
         "KQ4DIR KQ4VOL.1"},
        {"v3 longer: appended", v3, true, 0, longSound, 0, 1, false, true, "KQ4DIR KQ4VOL.1"},
        {"v3 a new number grows the section", v3, true, 9, "x", 0, 1, false, false,
         "KQ4DIR KQ4VOL.1"},
        {"v3 fills KQ4VOL.1", v3, true, 1, distinct, kMaxVolBytes - 47, 1, false, false,
         "KQ4DIR KQ4VOL.1"},
        {"v3 one byte more", v3, true, 1, distinct, kMaxVolBytes - 46, 2, false, false, "KQ4DIR"},
        {"v3 one byte more, lower case", v3, false, 1, distinct, kMaxVolBytes - 46, 2, false, false,
         "kq4dir"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const GameLayout& layout = *c.pLayout;
        const std::string dir = layout.Make(c.bUpper);
        const std::string dirName = c.bUpper ? layout.dirName : Lower(layout.dirName);
        const std::string stem = c.bUpper ? layout.volStem : Lower(layout.volStem);
        if (c.vol1Size != 0)
        {
            std::string vol1 = ReadFileBytes(dir + "/" + stem + "1");
            vol1.resize(c.vol1Size, '\0');
            WriteFileBytes(dir + "/" + stem + "1", vol1);
        }
        auto before = Snapshot(dir);
        const std::string volName = stem + std::to_string(c.volume);
        const PlainSound old = ReadSoundPlainly(dir, layout, dirName, stem, c.n);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        ASSERT_EQ(game.WriteSound(c.n, ToBytes(c.resource)).message, "");

        const PlainSound written = ReadSoundPlainly(dir, layout, dirName, stem, c.n);
        ASSERT_EQ(written.error, "");
        EXPECT_EQ(written.bytes, c.resource);
        EXPECT_EQ(written.bCompressed, c.bCompressed);
        EXPECT_EQ(written.volume, c.volume);
        EXPECT_EQ(written.offset, c.bInPlace ? old.offset : before[volName].size());
        // The directory: only sound n's entry, the sound entries grown with empty ones.
        std::string expectedDir = before[dirName];
        const std::size_t at =
            SoundSectionStart(layout, expectedDir) + 3 * static_cast<std::size_t>(c.n);
        expectedDir.resize(std::max(expectedDir.size(), at + 3), '\xFF');
        expectedDir.replace(at, 3, Entry(written.volume, static_cast<int>(written.offset)));
        EXPECT_EQ(ReadFileBytes(dir + "/" + dirName), expectedDir);
        // The volume: every byte outside the new record as it was; every other file too.
        std::string expectedVol = before[volName];
        expectedVol.resize(std::max(expectedVol.size(), written.offset + written.recordBytes));
        const std::string vol = ReadFileBytes(dir + "/" + volName);
        expectedVol.replace(written.offset, written.recordBytes,
                            vol.substr(written.offset, written.recordBytes));
        EXPECT_EQ(vol, expectedVol);
        for (const auto& [name, data] : before)
            EXPECT_TRUE(name == dirName || name == volName ||
                        ReadFileBytes(dir + "/" + name) == data)
                << name;

        GameBytes bytes;
        for (const int n : {0, 2, c.n})
        {
            EXPECT_EQ(game.ReadSound(n, bytes), "");
            EXPECT_EQ(bytes, ToBytes(n == c.n ? c.resource : n == 0 ? layout.sound0 : kSound2));
        }
        EXPECT_EQ(BackedUp(game, before), c.backedUp);
    }
}

// The version 2 listing shows with the documents below.
TEST(ConvertGame, ListsTheSoundsWithTheirStoredSize)
{
    EXPECT_EQ(RunConvert("--game " + MakeV3Game(false) + " --list").out,
              "version 3 game kq4, interpreter 3.002.149 (assumed)\nsound 0: " +
                  std::to_string(kRepeatedSound.size()) +
                  " bytes, 60 ticks (stored compressed in " +
                  std::to_string(Packed(kRepeatedSound).size()) +
                  " bytes)\nsound 2: " + std::to_string(kSound2.size()) + " bytes, 40 ticks\n");
}

TEST(ConvertGame, DocumentsGoIntoTheGameAndRefusalsChangeNothing)
{
    const std::string dir = MakeGame(false);
    const std::string out = MakeTempDir();
    // Into the game from a document: the whole song.
    ASSERT_EQ(RunConvert("--game " + dir + " --sound 2 " + out + "/s2.tks").exitCode, 0);
    ASSERT_EQ(RunConvert(out + "/s2.tks --into-game " + dir + " --sound 5").exitCode, 0);
    ASSERT_EQ(RunConvert("--whole " + out + "/s2.tks " + out + "/whole.agi").exitCode, 0);
    // Once renamed into place, vol.1 fails to read as on a failing disk.
    ::setenv("TARVOK_TEST_UNREADABLE", "vol.1", 1);
    ::setenv("LD_PRELOAD", TARVOK_UNREADABLE_LIB, 1);
    // A sanitizer's runtime wants to come first among the preloaded libraries.
    const char* asan = std::getenv("ASAN_OPTIONS");
    ::setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(),
             1);
    const ConvertResult unread = RunConvert(out + "/whole.agi --into-game " + dir + " --sound 7");
    ::unsetenv("LD_PRELOAD");
    EXPECT_EQ(unread.exitCode, 1);
    EXPECT_EQ(unread.out,
              "tarvok-convert: sound 7 was written into the game folder " + dir +
                  ", but vol.1 could not be read back to check it: Input/output error\n");
    CGameFolder game;
    GameBytes bytes;
    ASSERT_EQ(game.Open(dir), "");
    for (const int n : {5, 7})
    {
        ASSERT_EQ(game.ReadSound(n, bytes), "");
        EXPECT_EQ(bytes, ToBytes(ReadFileBytes(out + "/whole.agi")));
    }
    EXPECT_NE(RunConvert("--list --game " + dir)
                  .out.find("sound 5: " + std::to_string(bytes.size()) + " bytes, 40 ticks"),
              std::string::npos);

    const auto before = Snapshot(dir);
    const ConvertResult refused = RunConvert("--game " + dir + " --sound 1 " + out + "/s1");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out.rfind("tarvok-convert: sound 1 of the game folder " + dir, 0), 0u)
        << refused.out;
    // A resource the import refuses does not go into the game either.
    std::string bad = kSound2;
    bad[6] = static_cast<char>(0xF0);
    WriteFileBytes(out + "/bad.agi", bad);
    const ConvertResult badInto = RunConvert(out + "/bad.agi --into-game " + dir + " --sound 6");
    EXPECT_EQ(badInto.exitCode, 1);
    EXPECT_EQ(badInto.out.rfind("tarvok-convert: " + out + "/bad.agi: Error: Offset 240 ", 0), 0u)
        << badInto.out;
    EXPECT_EQ(Snapshot(dir), before);
}

TEST(GameFolderV3, TheInterpreterIsFoundOrAssumed)
{
    // Layout (the version 3 files beside the version 2 ones when both), AGIDATA's bytes.
    const std::tuple<const GameLayout*, const char*, std::string, FadeKind> cases[] = {
        {&kV3Layout, "", "version 3 game KQ4, interpreter 3.002.149 (assumed)", FadeKind::V3},
        {&kV3Layout, "2.936", "version 3 game KQ4, interpreter 2.936", FadeKind::V2},
        // Both layouts hold sounds 0 and 2; the version 2 ones are read.
        {nullptr, "",
         "version 2 game, interpreter 2.917 (assumed); the folder holds version 3 files of KQ4 "
         "too, which are not read",
         FadeKind::V2},
    };
    for (const auto& [pLayout, agidata, description, fade] : cases)
    {
        const GameLayout& layout = pLayout != nullptr ? *pLayout : kV2Layout;
        const std::string dir = layout.Make(pLayout != nullptr);
        if (pLayout == nullptr)
            for (const auto& e : fs::directory_iterator(MakeV3Game(true)))
                fs::copy_file(e.path(), dir + "/" + e.path().filename().string());
        if (*agidata != '\0')
            WriteFileBytes(dir + "/agidata.ovl", agidata);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        EXPECT_EQ(game.Describe(), description);
        EXPECT_EQ(game.GetInterpreterFade(), fade) << description;
        std::vector<GameSoundInfo> sounds;
        ASSERT_EQ(game.ListSounds(sounds), "");
        ASSERT_EQ(sounds.size(), 2u);
        EXPECT_EQ(sounds[0].bytes, layout.sound0.size());
        EXPECT_EQ(sounds[1].bytes, kSound2.size());
    }
}

TEST(GameFolderV3, BadFoldersAreRefusedNamingTheFolder)
{
    const auto dirBytes = [](const std::string& bytes)
    { return [bytes](const std::string& dir) { WriteFileBytes(dir + "/KQ4DIR", bytes); }; };
    const std::string sounds = Entry(0, 0) + Entry(1, 3);
    const std::tuple<std::function<void(const std::string&)>, std::string> cases[] = {
        {[](const std::string& dir) { fs::remove(dir + "/KQ4VOL.0"); },
         "has neither SNDDIR nor an <ID>DIR file beside an <ID>VOL.0"},
        {dirBytes(Le16(8) + Le16(8) + Le16(8) + Le16(15) + sounds),
         "the sound section of KQ4DIR starts past its end"},
        {[](const std::string& dir) { WriteFileBytes(dir + "/KQ4VOL.16", "x"); },
         "has KQ4VOL.16, a volume number past 15"},
    };
    for (const auto& [spoil, expected] : cases)
    {
        const std::string dir = MakeV3Game(true);
        spoil(dir);
        const auto before = Snapshot(dir);
        CGameFolder game;
        std::vector<GameSoundInfo> list;
        GameBytes bytes;
        std::string error = game.Open(dir);
        const std::string listError = error.empty() ? game.ListSounds(list) : error;
        const std::string readError = error.empty() ? game.ReadSound(2, bytes) : error;
        const std::string writeError =
            error.empty() ? game.WriteSound(2, GameBytes(3, 1)).message : error;
        for (const std::string& e : {listError, readError, writeError})
        {
            EXPECT_NE(e.find("The game folder " + dir), std::string::npos) << e;
            EXPECT_NE(e.find(expected), std::string::npos) << e;
        }
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(Snapshot(dir), before);
    }
}

TEST(ConvertGameV3, ASoundPlaysWithItsInterpretersFade)
{
    // One note held for two seconds: a 3.x or 2.9 interpreter lets it die away, 2.4xx not.
    const std::string note = Resource({Tone(0, 120, 254, 0), "", "", ""});
    for (const auto& [agidata, bFades] :
         {std::pair{"", true}, {"Version 2.440", false}, {"2.917", true}})
    {
        SCOPED_TRACE(agidata);
        const std::string dir = MakeV3Game(true);
        WriteFileBytes(dir + "/KQ4VOL.1", "pad" + V3SoundRecord(1, note));
        if (*agidata != '\0')
            WriteFileBytes(dir + "/AGIDATA.OVL", agidata);
        const std::string wav = MakeTempDir() + "/note.wav";
        ASSERT_EQ(RunConvert("--game " + dir + " --sound 2 --chip pcjr " + wav).exitCode, 0);
        const std::vector<std::int16_t> samples = WavSamples(ReadFileBytes(wav));
        ASSERT_GE(samples.size(), 110u * 735);
        const double start = Rms(samples, 735, 4 * 735), end = Rms(samples, 100 * 735, 110 * 735);
        ASSERT_GT(start, 1000);
        if (bFades)
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
    for (const auto& [options, ext] :
         {std::pair<std::string, std::string>{"--to wav --chip pcjr", "wav"},
          {"--to mid --instruments 1,2,3", "mid"},
          {"--to agi", "agi"}})
    {
        SCOPED_TRACE(options);
        const std::string out = MakeTempDir() + "/made/here";
        const ConvertResult all = RunConvert("--game " + dir + " --all " + options + " " + out);
        EXPECT_EQ(all.exitCode, 1);
        EXPECT_NE(all.out.find("sound 3: damaged: "), std::string::npos) << all.out;
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(out))
            names.insert(e.path().filename().string());
        EXPECT_EQ(names, (std::set<std::string>{"sound000." + ext, "sound002." + ext}));
        for (const int n : {0, 2})
        {
            const std::string one = MakeTempDir() + "/one." + ext;
            ASSERT_EQ(RunConvert("--game " + dir + " --sound " + std::to_string(n) + " " + options +
                                 " " + one)
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

namespace
{
// A version 3 game with sounds 0, 2 and 10 to 29; sound 3 damaged.
std::string MakeBusyGame()
{
    const std::string dir = MakeV3Game(true);
    std::vector<std::string> records{UnendingV3Record(1), "", "", "", "", "", ""};
    for (int n = 10; n < 30; ++n)
    {
        std::string tones;
        for (int i = 0; i <= n % 7; ++i)
            tones += Tone(i % 3, 5 + n, 200 + 9 * n, i % 16);
        records.push_back(V3SoundRecord(1, Resource({tones, "", "", Noise(n, n % 4, true, 3)})));
    }
    AddV3Sounds(dir, 1, records);
    return dir;
}

std::string WriteBytes(int, const GameBytes& resource, const std::string& path)
{
    WriteFileBytes(path, std::string(resource.begin(), resource.end()));
    return {};
}
} // namespace

TEST(GameExportAll, EverySoundOnceUnderItsNameOnAnyNumberOfThreads)
{
    const std::string game = MakeBusyGame();
    CGameFolder folder;
    ASSERT_EQ(folder.Open(game), "");
    for (const int threads : {1, 2, 7, 64})
    {
        SCOPED_TRACE(threads);
        const std::string out = MakeTempDir() + "/new/out";
        CGameSoundExport exporter;
        ASSERT_EQ(exporter.Read(folder), "");
        ASSERT_EQ(exporter.GetDamaged().size(), 1u);
        EXPECT_EQ(exporter.GetDamaged()[0].rfind("sound 3: damaged: ", 0), 0u);
        std::mutex guard;
        std::vector<int> progress;
        ASSERT_EQ(exporter.Write(out, "agi", WriteBytes, threads,
                                 [&](int done, int total)
                                 {
                                     std::lock_guard lock(guard);
                                     progress.push_back(done * 100 + total);
                                 }),
                  "");
        EXPECT_EQ(exporter.GetWritten(), 22);
        EXPECT_TRUE(exporter.GetFailed().empty());
        ASSERT_EQ(progress.size(), 22u);
        for (int done = 1; done <= 22; ++done)
            EXPECT_EQ(progress[done - 1], done * 100 + 22);

        EXPECT_EQ(FilesIn(out), 22);
        for (const int n : {0, 2, 10, 29})
        {
            GameBytes resource;
            ASSERT_EQ(folder.ReadSound(n, resource), "");
            EXPECT_EQ(ReadFileBytes(out + "/" + GameSoundFileName(n, "agi")),
                      std::string(resource.begin(), resource.end()));
        }
    }
}

TEST(GameExportAll, RefusedCancelledAndUnwritableAreReported)
{
    const std::string game = MakeBusyGame();
    CGameFolder folder;
    ASSERT_EQ(folder.Open(game), "");
    CGameSoundExport exporter;
    ASSERT_EQ(exporter.Read(folder), "");

    // The writer refuses two sounds: both are named, in number order, whatever finished first.
    const std::string out = MakeTempDir();
    const auto refusing = [](int n, const GameBytes& r, const std::string& path)
    { return n == 12 || n == 2 ? "too long" : WriteBytes(n, r, path); };
    ASSERT_EQ(exporter.Write(out, "agi", refusing, 2), "");
    EXPECT_EQ(exporter.GetFailed(),
              (std::vector<std::string>{"sound 2: too long", "sound 12: too long"}));
    EXPECT_EQ(exporter.GetWritten(), 20);
    EXPECT_FALSE(fs::exists(out + "/sound012.agi"));

    // Cancelled during the third sound on one thread: three files stay, nothing after.
    const std::string cancelled = MakeTempDir();
    std::atomic<bool> cancel{false};
    ASSERT_EQ(exporter.Write(
                  cancelled, "agi",
                  [&](int n, const GameBytes& r, const std::string& path)
                  {
                      cancel = n == 10;
                      return WriteBytes(n, r, path);
                  },
                  1, {}, &cancel),
              "");
    EXPECT_EQ(exporter.GetWritten(), 3);
    EXPECT_TRUE(fs::exists(cancelled + "/sound010.agi"));
    EXPECT_FALSE(fs::exists(cancelled + "/sound011.agi"));

    // A file where the folder should be.
    const std::string file = MakeTempDir() + "/taken";
    WriteFileBytes(file, "x");
    EXPECT_NE(exporter.Write(file, "agi", WriteBytes, 2).find("Cannot make the folder " + file),
              std::string::npos);
}
