// SPDX-License-Identifier: GPL-3.0-or-later
// The document a game folder keeps beside a sound, written by the converter from a .tks and
// given back, by the core and the converter, only while it still is the game's sound.
#include "GameTestFolders.h"
#include "game/GameSoundDocument.h"
#include "sound/SoundDoc.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(GameDocument, GivenBackOnlyWhileItStillExportsToTheGamesSound)
{
    // kSound0 imported, its first pattern renamed: only the kept document knows that name.
    CSoundDoc named;
    named.OnNewDocument();
    ASSERT_TRUE(ImportBytes(named, kSound0).Ok());
    named.RenamePattern(named.GetPatternAt({0, 0})->GetId(), "melody");
    const std::string out = MakeTempDir(), elsewhere = MakeTempDir();
    WriteFileBytes(out + "/song.tks", named.SaveToBytes());
    WriteFileBytes(elsewhere + "/sound2.tks", named.SaveToBytes());
    WriteFileBytes(out + "/other.agi", kSound2);
    const auto run = [&](const std::string& args) { return RunConvert(InFolder(args, out)); };
    // How the game changes after the document went in, and what opening the sound then says;
    // only an opening that says nothing gives the document back.
    const std::pair<std::function<void(const std::string&)>, std::string> cases[] = {
        {[](const std::string&) {}, ""},
        // A resource brings no document, and leaves the one before.
        {[&](const std::string& dir) { run("D/other.agi --into-game " + dir + " --sound 2"); },
         "sound 2 was changed outside Tarvok; imported from the game"},
        {[](const std::string& dir) { WriteFileBytes(dir + "/.tarvok/sound2.tks", "<sound"); },
         "/.tarvok/sound2.tks cannot be read: "},
        {[&](const std::string& dir)
         {
             fs::remove_all(dir + "/.tarvok");
             fs::create_directory_symlink(elsewhere, dir + "/.tarvok");
         },
         "/.tarvok is a link; remove it or move it away; imported from the game"},
    };
    for (const auto& [change, note] : cases)
    {
        SCOPED_TRACE(note);
        const std::string dir = MakeGame(true);
        ASSERT_EQ(run("D/song.tks --into-game " + dir + " --sound 2").exitCode, 0);
        change(dir);
        CGameFolder game;
        CSoundDoc doc;
        ASSERT_EQ(game.Open(dir), "");
        const Result<GameSoundDocument> read = ReadGameSoundDocument(game, 2, doc);
        ASSERT_TRUE(read.Ok()) << read.Error();
        GameBytes bytes;
        EXPECT_TRUE(game.ReadSound(2, bytes).empty() && read.Value().resource == bytes);
        EXPECT_NE(read.Value().note.find(note), std::string::npos) << read.Value().note;
        EXPECT_EQ(read.Value().note.empty(), note.empty());
        EXPECT_EQ(doc.GetPatternAt({0, 0})->GetName() == "melody", note.empty());
        EXPECT_FALSE(doc.IsModified());
        const ConvertResult back = run("--game " + dir + " --sound 2 --to tks D/back.tks");
        EXPECT_EQ(back.out,
                  note.empty() ? "" : "tarvok-convert: " + dir + ": " + read.Value().note + "\n");
        EXPECT_EQ(ReadFileBytes(out + "/back.tks").find("name=\"melody\"") != std::string::npos,
                  note.empty());
    }
}
