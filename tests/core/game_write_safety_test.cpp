// SPDX-License-Identifier: GPL-3.0-or-later
// Writes into game folders that other resources crowd, that a killed write left untidy, that
// are read-only or on a full disk: nothing but the written sound may change.
#include "GameTestFolders.h"
#include "game/GameFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{
const std::string kLogic = VolRecord(0, "logic bytes");
const std::string kNeighbour = VolRecord(0, "the next resource's bytes");
const int kSoundAt = static_cast<int>(kLogic.size());
const int kNeighbourAt = kSoundAt + 5 + static_cast<int>(kSound0.size());

// Sets entry n of the named directory, making it when it is missing.
void SetEntry(const std::string& dir, const std::string& dirName, int n, int offset)
{
    const std::string path = dir + "/" + dirName;
    std::string bytes = fs::exists(path) ? ReadFileBytes(path) : "";
    bytes.resize(3 * static_cast<std::size_t>(n), '\xFF');
    WriteFileBytes(path, bytes + Entry(0, offset));
}

// VOL.0: logic 0, sound 0, then a resource that directory dirName holds as number n (or
// nothing points at it when dirName is empty). Sound 0's header claims claimed bytes.
std::string MakeCrowdedGame(const std::string& dirName, int n, std::size_t claimed)
{
    const std::string dir = MakeTempDir();
    std::string sound = VolRecord(0, kSound0);
    sound[3] = static_cast<char>(claimed & 0xFF);
    sound[4] = static_cast<char>(claimed >> 8);
    WriteFileBytes(dir + "/VOL.0", kLogic + sound + kNeighbour);
    SetEntry(dir, "LOGDIR", 0, 0);
    SetEntry(dir, "SNDDIR", 0, kSoundAt);
    if (!dirName.empty())
        SetEntry(dir, dirName, n, kNeighbourAt);
    return dir;
}

GameSoundInfo ListedSound(const std::string& dir, int n)
{
    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    EXPECT_EQ(game.Open(dir), "");
    EXPECT_EQ(game.ListSounds(sounds), "");
    for (const GameSoundInfo& sound : sounds)
        if (sound.number == n)
            return sound;
    ADD_FAILURE() << "sound " << n << " is not listed";
    return {};
}

// Writes sound n and checks that it was appended: every byte VOL.0 held is kept.
void ExpectAppended(const std::string& dir, int n, const GameBytes& resource)
{
    const std::string vol0 = ReadFileBytes(dir + "/VOL.0");
    CGameFolder game;
    ASSERT_EQ(game.Open(dir), "");
    ASSERT_EQ(game.WriteSound(n, resource), "");
    EXPECT_EQ(ReadFileBytes(dir + "/VOL.0").substr(0, vol0.size()), vol0);
    GameBytes bytes;
    EXPECT_EQ(game.ReadSound(n, bytes), "");
    EXPECT_EQ(bytes, resource);
}

bool HasLeftovers(const std::string& dir)
{
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().filename().string().find("unfinished") != std::string::npos ||
            e.path().filename().string().rfind(".VOL", 0) == 0 ||
            e.path().filename().string().rfind(".SNDDIR", 0) == 0)
            return true;
    return false;
}

// A tmpfs of the given size, unmounted when it goes; empty where mounting is not allowed.
class CSmallDisk
{
public:
    explicit CSmallDisk(const std::string& size) : m_path(MakeTempDir())
    {
        if (::mount("tmpfs", m_path.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0)
            m_path.clear();
    }
    ~CSmallDisk()
    {
        if (!m_path.empty())
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
} // namespace

TEST(GameWriteSafety, AHeaderLongerThanItsRoomIsDamagedAndNeverOverwritten)
{
    const struct
    {
        const char* dirName;
        int n;
        const char* neighbour;
    } cases[] = {{"SNDDIR", 5, "sound 5"},
                 {"LOGDIR", 3, "logic 3"},
                 {"PICDIR", 0, "picture 0"},
                 {"VIEWDIR", 7, "view 7"}};
    const std::size_t claimed = kSound0.size() + 10;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.neighbour);
        const std::string dir = MakeCrowdedGame(c.dirName, c.n, claimed);
        EXPECT_EQ(ListedSound(dir, 0).damaged, std::string("its length runs into ") + c.neighbour);
        ExpectAppended(dir, 0, GameBytes(claimed, 7));
    }
    // Up to the next resource, the header is trusted.
    const std::string dir = MakeCrowdedGame("PICDIR", 0, kSound0.size());
    EXPECT_EQ(ListedSound(dir, 0).damaged, "");
}

TEST(GameWriteSafety, ASharedRecordIsNeverWrittenInPlace)
{
    const struct
    {
        const char* dirName;
        int n;
    } cases[] = {{"SNDDIR", 3}, {"VIEWDIR", 0}, {"LOGDIR", 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.dirName);
        const std::string dir = MakeCrowdedGame("", 0, kSound0.size());
        SetEntry(dir, c.dirName, c.n, kSoundAt);
        ExpectAppended(dir, 0, ToBytes("tiny"));
    }
}

TEST(GameWriteSafety, TheNextWriteCleansWhatAKilledWriteLeft)
{
    const std::string dir = MakeGame(true);
    const std::string backups = dir + "/.tarvok-backup";
    fs::create_directories(backups + "/20200101-000000-unfinished");
    fs::create_directories(backups + "/20200101-000000");
    WriteFileBytes(backups + "/20200101-000000-unfinished/VOL.1", "half a co");
    WriteFileBytes(backups + "/20200101-000000/VOL.1", "an older backup");
    for (const char* temp : {".VOL.1.a1B2c3", ".SNDDIR.XyZ123", ".VOL.7.000000"})
        WriteFileBytes(dir + "/" + temp, "interrupted");
    WriteFileBytes(dir + "/.notes.abcdef", "not ours");

    CGameFolder game;
    ASSERT_EQ(game.Open(dir), "");
    ASSERT_EQ(game.WriteSound(2, ToBytes("short")), "");
    EXPECT_FALSE(HasLeftovers(dir));
    EXPECT_EQ(ReadFileBytes(dir + "/.notes.abcdef"), "not ours");
    EXPECT_EQ(ReadFileBytes(backups + "/20200101-000000/VOL.1"), "an older backup");
}

TEST(GameWriteSafety, OnlyTheNewestBackupsAreKept)
{
    std::vector<std::string> old;
    for (int i = 0; i < 10; ++i)
        old.push_back("20200101-00000" + std::to_string(i));
    // Two writes in one second: "-10" came after "-2".
    old.push_back("20200101-000010-2");
    old.push_back("20200101-000010-10");
    const struct
    {
        int kept;
        std::size_t oldKept;
    } cases[] = {{CGameFolder::kDefaultBackupsKept, 9}, {3, 2}, {1, 0}, {0, 12}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.kept);
        const std::string dir = MakeGame(true);
        const std::string backups = dir + "/.tarvok-backup";
        for (const std::string& name : old)
            fs::create_directories(backups + "/" + name);
        fs::create_directories(backups + "/keep-me");
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        game.SetBackupsKept(c.kept);
        ASSERT_EQ(game.WriteSound(2, ToBytes("short")), "");

        std::set<std::string> expected(old.end() - static_cast<long>(c.oldKept), old.end());
        expected.insert(fs::path(game.GetBackupPath()).filename().string());
        expected.insert("keep-me");
        std::set<std::string> left;
        for (const auto& e : fs::directory_iterator(backups))
            left.insert(e.path().filename().string());
        EXPECT_EQ(left, expected);
    }
}

TEST(GameWriteSafety, ReadOnlyFilesAreRefusedEvenForRoot)
{
    const struct
    {
        const char* file;
        int n;
        std::size_t bytes;
        const char* message;
    } cases[] = {{"VOL.1", 2, 3, "VOL.1 is read-only"},
                 {"SNDDIR", 0, 100, "SNDDIR is read-only"},
                 {"", 2, 3, "is read-only"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.message);
        const std::string dir = MakeGame(true);
        const std::string path = dir + "/" + c.file;
        ::chmod(path.c_str(), *c.file ? 0444 : 0555);
        const auto before = Snapshot(dir);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        const std::string error = game.WriteSound(c.n, GameBytes(c.bytes, 1));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(Snapshot(dir), before);
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
        if (disk.Path().empty())
            GTEST_SKIP() << "no permission to mount a small disk";
        const std::string dir = disk.Path() + "/game";
        fs::copy(MakeGame(true), dir);
        WriteFileBytes(dir + "/VOL.1", ReadFileBytes(dir + "/VOL.1") + std::string(volBytes, 'v'));
        const auto before = Snapshot(dir);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        const std::string error = game.WriteSound(0, GameBytes(100, 1));
        EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
        EXPECT_EQ(Snapshot(dir), before);
        EXPECT_FALSE(fs::exists(dir + "/.tarvok-backup"));
        EXPECT_FALSE(HasLeftovers(dir));
    }
}

TEST(GameWriteSafety, AListingStopsAtSound255WithOneWarning)
{
    const std::string dir = MakeCrowdedGame("", 0, kSound0.size());
    std::string sndDir;
    for (int n = 0; n < 349525; ++n)
        sndDir += Entry(0, kSoundAt);
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
