// SPDX-License-Identifier: GPL-3.0-or-later
// All of a game's sounds written at once: every readable sound once, under its own name, on
// any number of threads; damaged and refused ones named; a cancel keeps what was written.
#include "GameTestFolders.h"
#include "game/GameSoundExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

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
