// SPDX-License-Identifier: GPL-3.0-or-later
// Writes into game folders that other resources crowd, that a killed write left untidy, that
// are read-only or on a full disk: nothing but the written sound may change.
#include "GameTestFolders.h"
#include "game/GameFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <set>
#include <spawn.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utility>

namespace fs = std::filesystem;

namespace
{
const std::string kLogicBytes = "logic bytes";
const std::string kNeighbourBytes = "the next resource's bytes";
const char* const kV2DirNames[] = {"LOGDIR", "PICDIR", "VIEWDIR", "SNDDIR"};

// A record of the layout whose header claims claimed bytes, stored as they are.
std::string ClaimingRecord(const GameLayout& layout, const std::string& data, std::size_t claimed)
{
    return Bytes({0x12, 0x34, 0}) + (layout.version == 3 ? Le16(claimed) : "") + Le16(claimed) +
           data;
}

int SoundAt(const GameLayout& layout)
{
    return static_cast<int>(layout.headerBytes + kLogicBytes.size());
}

// Volume 0: logic 0, sound 0 whose header claims claimed bytes, then another resource. Entry n
// of section (logic, picture, view, sound; -1: none) points at that resource, or at sound 0
// when bShared.
std::string MakeCrowdedGame(const GameLayout& layout, int section, int n, bool bShared,
                            std::size_t claimed)
{
    const std::string dir = MakeTempDir();
    const std::string sound = ClaimingRecord(layout, kSound0, claimed);
    const int neighbourAt = SoundAt(layout) + static_cast<int>(layout.headerBytes + kSound0.size());
    WriteFileBytes(dir + "/" + layout.volStem + "0",
                   ClaimingRecord(layout, kLogicBytes, kLogicBytes.size()) + sound +
                       ClaimingRecord(layout, kNeighbourBytes, kNeighbourBytes.size()));
    std::array<std::string, 4> sections{Entry(0, 0), "", "", Entry(0, SoundAt(layout))};
    if (section >= 0)
    {
        sections[section].resize(3 * static_cast<std::size_t>(n), '\xFF');
        sections[section] += Entry(0, bShared ? SoundAt(layout) : neighbourAt);
    }
    if (layout.version == 3)
        WriteFileBytes(dir + "/" + layout.dirName, V3Dir(sections));
    for (int k = 0; k < 4 && layout.version == 2; ++k)
        if (!sections[k].empty())
            WriteFileBytes(dir + "/" + kV2DirNames[k], sections[k]);
    return dir;
}

// Writes sound n and checks that it was appended: every byte volume 0 held is kept.
void ExpectAppended(const std::string& dir, const GameLayout& layout, int n,
                    const GameBytes& resource)
{
    const std::string vol0 = ReadFileBytes(dir + "/" + layout.volStem + "0");
    CGameFolder game;
    ASSERT_EQ(game.Open(dir), "");
    ASSERT_EQ(game.WriteSound(n, resource).message, "");
    EXPECT_EQ(ReadFileBytes(dir + "/" + layout.volStem + "0").substr(0, vol0.size()), vol0);
    GameBytes bytes;
    EXPECT_EQ(game.ReadSound(n, bytes), "");
    EXPECT_EQ(bytes, resource);
}

// An unfinished backup made here, or a temporary file of the layout's files.
bool HasLeftovers(const std::string& dir, const GameLayout& layout)
{
    for (const auto& e : fs::recursive_directory_iterator(dir))
    {
        const std::string name = e.path().filename().string();
        if ((name.ends_with("-unfinished") && fs::exists(e.path() / kBackupMarker)) ||
            name.starts_with(".tarvok-temp." + layout.volStem) ||
            name.starts_with(".tarvok-temp." + layout.dirName) ||
            name.starts_with(".tarvok-temp.sound"))
            return true;
    }
    return false;
}

const GameLayout* const kLayouts[] = {&kV2Layout, &kV3Layout};

// A tmpfs of the given size, unmounted when it goes; empty where mounting is not allowed.
struct CSmallDisk
{
    explicit CSmallDisk(const std::string& size) : path(MakeTempDir())
    {
        if (::mount("tmpfs", path.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0)
            path.clear();
    }
    ~CSmallDisk()
    {
        if (!path.empty())
            ::umount2(path.c_str(), MNT_DETACH);
    }
    std::string path;
};
} // namespace

TEST(GameWriteSafety, ARecordNotThisSoundsAloneIsNeverOverwritten)
{
    // The other entry (section, number) and, when sound 0's header claims more than its room,
    // what it runs into; else the entry shares sound 0's record.
    const std::tuple<int, int, const char*> cases[] = {
        {3, 5, "sound 5"}, {0, 3, "logic 3"}, {1, 0, "picture 0"}, {2, 7, "view 7"},
        {3, 3, nullptr},   {2, 0, nullptr},   {0, 1, nullptr}};
    const std::size_t claimed = kSound0.size() + 10;
    for (const GameLayout* pLayout : kLayouts)
    {
        for (const auto& [section, n, neighbour] : cases)
        {
            SCOPED_TRACE(pLayout->dirName + " " + std::to_string(section) + " " +
                         std::to_string(n));
            const bool bShared = neighbour == nullptr;
            const std::string dir =
                MakeCrowdedGame(*pLayout, section, n, bShared, bShared ? kSound0.size() : claimed);
            const std::string list = ListText(dir);
            EXPECT_TRUE(bShared || list.starts_with(std::string("0:0/0(its length runs into ") +
                                                    neighbour + ")"))
                << list;
            ExpectAppended(dir, *pLayout, 0, bShared ? ToBytes("tiny") : GameBytes(claimed, 7));
        }
        // Up to the next resource, the header is trusted.
        const std::string dir = MakeCrowdedGame(*pLayout, 1, 0, false, kSound0.size());
        EXPECT_EQ(ListText(dir).rfind("0:" + std::to_string(kSound0.size()) + "/25 ", 0), 0u);
    }
}

TEST(GameWriteSafety, TheNextWriteCleansWhatAKilledWriteLeft)
{
    for (const GameLayout* pLayout : kLayouts)
    {
        const GameLayout& layout = *pLayout;
        const GameLayout& other = pLayout == &kV2Layout ? kV3Layout : kV2Layout;
        SCOPED_TRACE(layout.dirName);
        const std::string dir = layout.Make(true);
        const std::string backups = dir + "/.tarvok-backup";
        MakeBackupFolder(backups + "/20200101-000000-unfinished");
        MakeBackupFolder(backups + "/20200101-000000");
        WriteFileBytes(backups + "/20200101-000000-unfinished/VOL.1", "half a co");
        WriteFileBytes(backups + "/20200101-000000/VOL.1", "an older backup");
        const std::string temp = ".tarvok-temp.";
        fs::create_directory(dir + "/.tarvok");
        for (const std::string& name :
             {temp + layout.volStem + "1.a1B2c3", temp + layout.dirName + ".XyZ123",
              temp + layout.volStem + "7.000000", ".tarvok/" + temp + "sound1.tks.a1B2c3"})
            WriteFileBytes(dir + "/" + name, "interrupted");
        // A person's files, some named like the game's files with a dot before and after.
        const std::string foreign[] = {".notes.abcdef",
                                       temp + other.volStem + "1.abcdef",
                                       "." + layout.volStem + "1.a1B2c3",
                                       "." + layout.volStem + "0.backup",
                                       "." + layout.dirName + ".before",
                                       ".tarvok-backup/mine-unfinished/notes",
                                       ".tarvok/" + temp + "notes.txt.a1B2c3"};
        fs::create_directory(backups + "/mine-unfinished");
        for (const std::string& name : foreign)
            WriteFileBytes(dir + "/" + name, "not ours");

        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        ASSERT_EQ(game.WriteSound(2, ToBytes("short"), {{}, {}, {}, "document"}).message, "");
        EXPECT_FALSE(HasLeftovers(dir, layout));
        for (const std::string& name : foreign)
            EXPECT_EQ(ReadFileBytes(dir + "/" + name), "not ours") << name;
        EXPECT_EQ(ReadFileBytes(backups + "/20200101-000000/VOL.1"), "an older backup");
    }
}

TEST(GameWriteSafety, RefusedWritesChangeNothing)
{
    using Setup = std::function<void(const std::string&)>;
    const Setup volume15Full = [](const std::string& dir)
    {
        fs::rename(dir + "/VOL.1", dir + "/VOL.15");
        WriteFileBytes(dir + "/VOL.15", std::string(1048570, '\0'));
    };
    const Setup newVolumeIsAFolder = [](const std::string& dir)
    {
        WriteFileBytes(dir + "/VOL.1", std::string(1048570, '\0'));
        fs::create_directory(dir + "/VOL.2");
    };
    const Setup asMade = [](const std::string&) {};
    // The file made read-only (even for root; "." the folder), the sound written.
    const std::tuple<Setup, const char*, int, std::size_t, const char*> cases[] = {
        {volume15Full, "", 4, 10, ""},
        {newVolumeIsAFolder, "", 4, 10, ""},
        {asMade, "", 4, 65536, ""},
        {asMade, "", 256, 10, ""},
        {asMade, "VOL.1", 2, 3, "VOL.1 is read-only"},
        {asMade, "SNDDIR", 0, 100, "SNDDIR is read-only"},
        {asMade, ".", 2, 3, "is read-only"},
    };
    for (const auto& [setup, readOnly, n, bytes, message] : cases)
    {
        const std::string dir = MakeGame(true);
        const std::string path = dir + "/" + readOnly;
        setup(dir);
        if (*readOnly != '\0')
            ::chmod(path.c_str(), std::string(readOnly) == "." ? 0555 : 0444);
        const auto before = Snapshot(dir);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        const std::string error = game.WriteSound(n, GameBytes(bytes, 1)).message;
        EXPECT_NE(error.find("sound " + std::to_string(n) + " "), std::string::npos) << error;
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_EQ(Snapshot(dir), before) << error;
        EXPECT_FALSE(fs::exists(dir + "/.tarvok-backup")) << error;
        ::chmod(path.c_str(), 0755);
    }
}

TEST(GameWriteSafety, AFullDiskGivesTheSystemsMessage)
{
    // VOL.1 so large that its backup, or else its new copy, does not fit on the disk.
    for (const std::size_t volBytes : {150000u, 90000u})
    {
        SCOPED_TRACE(volBytes);
        const CSmallDisk disk("256k");
        if (disk.path.empty())
            GTEST_SKIP() << "no permission to mount a small disk";
        const std::string dir = disk.path + "/game";
        fs::copy(MakeGame(true), dir);
        WriteFileBytes(dir + "/VOL.1", ReadFileBytes(dir + "/VOL.1") + std::string(volBytes, 'v'));
        const auto before = Snapshot(dir);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        const std::string error = game.WriteSound(0, GameBytes(100, 1)).message;
        EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
        EXPECT_EQ(Snapshot(dir), before);
        EXPECT_FALSE(fs::exists(dir + "/.tarvok-backup"));
        EXPECT_FALSE(HasLeftovers(dir, kV2Layout));
    }
}

TEST(GameWriteSafety, AListingStopsAtSound255WithOneWarning)
{
    const std::string dir = MakeCrowdedGame(kV2Layout, -1, 0, false, kSound0.size());
    std::string sndDir;
    for (int n = 0; n < 349525; ++n)
        sndDir += Entry(0, SoundAt(kV2Layout));
    WriteFileBytes(dir + "/SNDDIR", sndDir);
    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    std::vector<std::string> warnings;
    ASSERT_EQ(game.Open(dir), "");
    ASSERT_EQ(game.ListSounds(sounds, &warnings), "");
    ASSERT_EQ(sounds.size(), 256u);
    EXPECT_EQ(sounds.back().number, 255);
    EXPECT_EQ(sounds.back().bytes, kSound0.size());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("349525 entries"), std::string::npos) << warnings[0];
}

TEST(GameWriteSafety, LinksOutOfTheGameAreRefusedAndWhatTheyPointAtIsKept)
{
    // Where the link is in the game, and what it points at in the game's parent.
    const std::pair<std::string, std::string> links[] = {
        {".tarvok-backup", ""},
        {".tarvok", ""},
        {".tarvok-backup/20200101-000000", "20200101-000000"},
        {".tarvok/sound4.tks", "mine-unfinished"}};
    for (const auto& [link, target] : links)
    {
        SCOPED_TRACE(link);
        const std::string parent = MakeTempDir(), dir = parent + "/game";
        fs::copy(MakeGame(true), dir);
        for (const std::string decoy : {"/20200101-000000", "/mine-unfinished"})
        {
            fs::create_directory(parent + decoy);
            WriteFileBytes(parent + decoy + "/mine", "mine");
        }
        fs::create_directories(fs::path(dir + "/" + link).parent_path());
        fs::create_directory_symlink(parent + "/" + target, dir + "/" + link);
        const auto before = Snapshot(parent);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        game.SetBackupsKept(1);
        const std::string error = game.WriteSound(2, ToBytes("short")).message;
        EXPECT_NE(error.find(dir + "/" + link + " is a link; remove it or move it away"),
                  std::string::npos)
            << error;
        EXPECT_EQ(Snapshot(parent), before);
    }
}

TEST(GameWriteSafety, TwoConvertersWritingAtOnceBothWriteTheirSound)
{
    const std::map<int, std::string> sounds{{40, kSound0}, {41, kSound2}};
    const std::string sources = MakeTempDir();
    for (const auto& [n, sound] : sounds)
        WriteFileBytes(sources + "/" + std::to_string(n) + ".agi", sound);
    for (int round = 0; round < 50 && !HasFailure(); ++round)
    {
        const std::string dir = MakeGame(true);
        std::vector<pid_t> pids;
        for (const auto& [n, sound] : sounds)
        {
            const std::string number = std::to_string(n), source = sources + "/" + number + ".agi";
            const char* argv[] = {TARVOK_CONVERT_EXE, source.c_str(), "--into-game", dir.c_str(),
                                  "--sound",          number.c_str(), nullptr};
            pids.push_back(-1);
            ASSERT_EQ(::posix_spawn(&pids.back(), argv[0], nullptr, nullptr,
                                    const_cast<char**>(argv), environ),
                      0);
        }
        for (const pid_t pid : pids)
        {
            int status = -1;
            ::waitpid(pid, &status, 0);
            EXPECT_EQ(status, 0) << "round " << round;
        }
        CGameFolder game;
        GameBytes bytes;
        ASSERT_EQ(game.Open(dir), "");
        for (const auto& [n, sound] : sounds)
            EXPECT_TRUE(game.ReadSound(n, bytes).empty() && bytes == ToBytes(sound))
                << "round " << round << ", sound " << n;
    }
}

TEST(GameWriteSafety, OnlyTheNewestBackupsMadeHereAreKept)
{
    // Made here before, oldest first: "-10" came after "-2".
    const std::vector<std::string> old{"20200101-000009", "20200101-000010-2",
                                       "20200101-000010-10"};
    // The backups kept, and the writes: 54 in a burst, many within one second.
    for (const auto& [kept, writes] :
         {std::pair<int, int>{CGameFolder::kDefaultBackupsKept, 54}, {3, 2}, {0, 2}})
    {
        SCOPED_TRACE(kept);
        const std::string dir = MakeGame(true);
        const std::string backups = dir + "/.tarvok-backup";
        for (const std::string& name : old)
            MakeBackupFolder(backups + "/" + name);
        // Not made here, so never removed.
        std::set<std::string> expected{"keep-me", "20200101-000000"};
        for (const std::string& name : expected)
            fs::create_directories(backups + "/" + name);
        expected.insert(".lock");
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        game.SetBackupsKept(kept);
        std::vector<std::string> made = old;
        for (int i = 0; i < writes; ++i)
        {
            ASSERT_EQ(game.WriteSound(2, ToBytes(i % 2 ? "short" : "other")).message, "");
            made.push_back(fs::path(game.GetBackupPath()).filename().string());
        }
        expected.insert(made.end() - (kept == 0 ? static_cast<long>(made.size()) : kept),
                        made.end());
        std::set<std::string> left;
        for (const auto& e : fs::directory_iterator(backups))
            left.insert(e.path().filename().string());
        EXPECT_EQ(left, expected);
    }
}

TEST(GameWriteSafety, ARunOfWritesKeepsOneBackupOfTheGameAsItWasBefore)
{
    const std::string dir = MakeGame(true);
    // The documents kept beside the sounds are backed up as the game's own files are.
    fs::create_directory(dir + "/.tarvok");
    for (const char* name : {"/.tarvok/sound0.tks", "/.tarvok/sound2.tks"})
        WriteFileBytes(dir + name, name);
    auto before = Snapshot(dir);
    CGameFolder game, other;
    ASSERT_EQ(game.Open(dir), "");
    ASSERT_EQ(other.Open(dir), "");
    game.SetBackupsKept(3);
    ASSERT_EQ(game.WriteSound(2, ToBytes("short"), {{}, {}, {}, "document"}).message, "");
    const std::string first = game.GetBackupPath();
    // Another program's writes in between, which keeps more backups: the next one would be
    // one too many for either.
    for (int i = 1; i < CGameFolder::kDefaultBackupsKept; ++i)
        ASSERT_EQ(other.WriteSound(2, ToBytes(i % 2 ? "short" : "other")).message, "");
    // Appended: SNDDIR changes too.
    ASSERT_EQ(game.WriteSound(0, GameBytes(40, 1), {first, {}, {}, "document"}).message, "");
    EXPECT_EQ(game.GetBackupPath(), first);
    EXPECT_EQ(BackedUp(game, before), ".tarvok/sound0.tks .tarvok/sound2.tks SNDDIR VOL.1");
    EXPECT_EQ(FilesIn(dir + "/.tarvok-backup"), 3 + 1) << "three backups and the lock";
}

TEST(GameWriteSafety, AnotherWriteIsWaitedForAndWhatItChangedIsNeverOverwritten)
{
    const std::string dir = MakeGame(true);
    CGameFolder game, other;
    ASSERT_EQ(game.Open(dir), "");
    ASSERT_EQ(other.Open(dir), "");
    for (const int n : {0, 1})
        ASSERT_EQ(other.WriteSound(n, ToBytes("theirs")).message, "");
    int held = ::open((dir + "/.tarvok-backup/.lock").c_str(), O_RDWR);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const auto before = Snapshot(dir);
    int asked = 0;
    const auto thirdTimeNo = [&](std::chrono::milliseconds) { return ++asked < 3; };
    EXPECT_EQ(game.WriteSound(2, ToBytes("mine"), {{}, {}, thirdTimeNo, {}}).outcome,
              SoundWriteOutcome::GaveUp);
    EXPECT_EQ(asked, 3);
    // The other write ends while this one waits; sound 0 is not what this writer read.
    const auto endIt = [&](std::chrono::milliseconds)
    {
        ::close(std::exchange(held, -1));
        return true;
    };
    EXPECT_EQ(game.WriteSound(0, ToBytes("mine"), {{}, ToBytes(kSound0), endIt, {}}).outcome,
              SoundWriteOutcome::ChangedInGame);
    EXPECT_EQ(held, -1);
    // Sound 1 was none when it was read.
    EXPECT_EQ(game.WriteSound(1, ToBytes("mine"), {{}, GameBytes(), {}, {}}).outcome,
              SoundWriteOutcome::ChangedInGame);
    EXPECT_EQ(Snapshot(dir), before);
    GameBytes bytes;
    for (const auto& [n, expected] : {std::pair<int, std::string>{0, "theirs"}, {5, ""}})
    {
        EXPECT_EQ(game.WriteSound(n, ToBytes("mine"), {{}, ToBytes(expected), {}, {}}).message, "");
        EXPECT_TRUE(game.ReadSound(n, bytes).empty() && bytes == ToBytes("mine")) << n;
    }
}
