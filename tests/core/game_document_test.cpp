// SPDX-License-Identifier: GPL-3.0-or-later
// The documents a game folder keeps beside its sounds: written with the game's files, under
// their backups, and given back only while they still are the game's sound.
#include "GameTestFolders.h"
#include "game/GameSoundDocument.h"
#include "game/WholeSongRange.h"
#include "sound/SoundDoc.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace
{
// kSound0 imported, its first pattern renamed: only the kept document knows that name.
struct NamedDoc
{
    NamedDoc()
    {
        doc.OnNewDocument();
        EXPECT_TRUE(ImportBytes(doc, kSound0).Ok());
        doc.RenamePattern(doc.GetPatternAt({0, 0})->GetId(), "melody");
        resource = CWholeSongRange::BuildResource(doc).bytes;
        tks = doc.SaveToBytes();
    }
    CSoundDoc doc;
    GameBytes resource;
    std::string tks;
};

SoundWriteOptions WithDocument(std::string tks, std::string earlierBackup = {})
{
    SoundWriteOptions options;
    options.document = std::move(tks);
    options.earlierBackup = std::move(earlierBackup);
    return options;
}
} // namespace

TEST(GameDocument, WrittenWithTheGameBackedUpAndFoldedIntoTheRunsFirstBackup)
{
    const std::string dir = MakeGame(true);
    const std::string docs = dir + "/.tarvok/";
    fs::create_directories(docs);
    WriteFileBytes(docs + "sound0.tks", "old 0");
    // An interrupted write's temporary goes; a person's files, look-alikes included, stay.
    WriteFileBytes(docs + ".tarvok-temp.sound1.tks.a1B2c3", "left over");
    WriteFileBytes(docs + ".tarvok-temp.notes.txt.a1B2c3", "mine");
    CGameFolder game;
    ASSERT_EQ(game.Open(dir), "");
    ASSERT_EQ(game.WriteSound(2, ToBytes("first"), WithDocument("doc A")).message, "");
    const std::string first = game.GetBackupPath();
    EXPECT_FALSE(fs::exists(first + "/.tarvok")) << "there was no document of sound 2";
    ASSERT_EQ(game.WriteSound(2, ToBytes("second"), WithDocument("doc B", first)).message, "");
    ASSERT_EQ(game.WriteSound(0, ToBytes("third"), WithDocument("doc C", first)).message, "");
    EXPECT_EQ(game.GetBackupPath(), first);
    // The run's one backup holds each file as it was before the run first changed it.
    EXPECT_EQ(ReadFileBytes(docs + "sound2.tks"), "doc B");
    EXPECT_EQ(ReadFileBytes(docs + "sound0.tks"), "doc C");
    EXPECT_EQ(ReadFileBytes(first + "/.tarvok/sound2.tks"), "doc A");
    EXPECT_EQ(ReadFileBytes(first + "/.tarvok/sound0.tks"), "old 0");
    EXPECT_FALSE(fs::exists(docs + ".tarvok-temp.sound1.tks.a1B2c3"));
    EXPECT_EQ(ReadFileBytes(docs + ".tarvok-temp.notes.txt.a1B2c3"), "mine");

    // A write without a document leaves the kept one; a link among them stops every write.
    ASSERT_EQ(game.WriteSound(0, ToBytes("fourth")).message, "");
    EXPECT_EQ(ReadFileBytes(docs + "sound0.tks"), "doc C");
    fs::create_symlink(dir + "/VOL.0", docs + "sound4.tks");
    const auto before = Snapshot(dir);
    EXPECT_EQ(game.WriteSound(3, ToBytes("fifth"), WithDocument("doc D")).message,
              "sound 3 of the game folder " + dir + " cannot be written: " + docs +
                  "sound4.tks is a link; remove it or move it away");
    EXPECT_EQ(Snapshot(dir), before);
}

TEST(GameDocument, GivenBackOnlyWhileItStillExportsToTheGamesSound)
{
    const NamedDoc named;
    const std::string elsewhere = MakeTempDir();
    WriteFileBytes(elsewhere + "/sound2.tks", named.tks);
    const std::string changed = "sound 2 was changed outside Tarvok; imported from the game";
    // How the game is changed after the document's write, whether the document is given
    // back and what the opening says.
    const std::tuple<std::function<void(const std::string&)>, bool, std::string> cases[] = {
        {[](const std::string&) {}, true, ""},
        {[](const std::string& dir)
         {
             CGameFolder other;
             EXPECT_EQ(other.Open(dir), "");
             EXPECT_EQ(other.WriteSound(2, ToBytes(kSound2)).message, "");
         },
         false, changed},
        {[](const std::string& dir) { WriteFileBytes(dir + "/.tarvok/sound2.tks", "<sound"); },
         false, "/.tarvok/sound2.tks cannot be read: "},
        {[&](const std::string& dir)
         {
             fs::remove_all(dir + "/.tarvok");
             fs::create_directory_symlink(elsewhere, dir + "/.tarvok");
         },
         false, "/.tarvok is a link; remove it or move it away; imported from the game"},
    };
    for (const auto& [change, bKept, note] : cases)
    {
        SCOPED_TRACE(note);
        const std::string dir = MakeGame(true);
        CGameFolder game;
        ASSERT_EQ(game.Open(dir), "");
        ASSERT_EQ(game.WriteSound(2, named.resource, WithDocument(named.tks)).message, "");
        change(dir);
        CSoundDoc doc;
        const Result<GameSoundDocument> read = ReadGameSoundDocument(game, 2, doc);
        ASSERT_TRUE(read.Ok()) << read.Error();
        GameBytes bytes;
        ASSERT_EQ(game.ReadSound(2, bytes), "");
        EXPECT_EQ(read.Value().resource, bytes);
        EXPECT_NE(read.Value().note.find(note), std::string::npos) << read.Value().note;
        EXPECT_EQ(note.empty(), read.Value().note.empty());
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(doc.GetPatternAt({0, 0})->GetName() == "melody", bKept);
    }
}

TEST(GameDocument, TheConverterKeepsTheDocumentItWritesFromAndGivesItBack)
{
    const NamedDoc named;
    const std::string dir = MakeGame(true);
    const std::string out = MakeTempDir();
    WriteFileBytes(out + "/song.tks", named.tks);
    WriteFileBytes(out + "/other.agi", kSound2);
    const auto kept = [](const std::string& path)
    { return ReadFileBytes(path).find("name=\"melody\"") != std::string::npos; };
    EXPECT_EQ(RunConvert(InFolder("D/song.tks --into-game " + dir + " --sound 5", out)).exitCode,
              0);
    EXPECT_TRUE(kept(dir + "/.tarvok/sound5.tks"));
    const ConvertResult back =
        RunConvert(InFolder("--game " + dir + " --sound 5 --to tks D/back.tks", out));
    EXPECT_EQ(back.exitCode, 0);
    EXPECT_EQ(back.out, "");
    EXPECT_TRUE(kept(out + "/back.tks"));
    // A resource written over the sound brings no document; the game's bytes then win.
    EXPECT_EQ(RunConvert(InFolder("D/other.agi --into-game " + dir + " --sound 5", out)).exitCode,
              0);
    const ConvertResult imported =
        RunConvert(InFolder("--game " + dir + " --sound 5 --to tks D/imported.tks", out));
    EXPECT_EQ(imported.exitCode, 0);
    EXPECT_EQ(imported.out, "tarvok-convert: " + dir +
                                ": sound 5 was changed outside Tarvok; imported from the game\n");
    EXPECT_FALSE(kept(out + "/imported.tks"));
    EXPECT_TRUE(kept(dir + "/.tarvok/sound5.tks"));
}
