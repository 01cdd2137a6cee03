// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert run as a separate program: its command line, .tks documents, MIDI and VGM input;
// and the table of formats it reads, which the editor's Open reads too.
#include "playback/FileFormats.h"
#include "sound/AgiResource.h"
#include "sound/MidiImport.h"
#include "sound/SoundDoc.h"
#include "support/ImportBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
std::string Write(const std::string& dir, const std::string& name, const Bytes& bytes)
{
    WriteFileBytes(dir + "/" + name, std::string(bytes.begin(), bytes.end()));
    return dir + "/" + name;
}

std::array<std::vector<SongRecord>, 4> RecordsOf(const std::string& agiPath)
{
    const std::string bytes = ReadFileBytes(agiPath);
    return ResourceRecords({bytes.begin(), bytes.end()});
}
} // namespace

TEST(ConvertTks, NewDocumentIsTheEditorsNewDocument)
{
    const std::string dir = MakeTempDir();
    CSoundDoc doc;
    doc.OnNewDocument();
    const ConvertResult r = RunConvert("--new " + dir + "/new.tks");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFileBytes(dir + "/new.tks"), doc.SaveToBytes());
}

TEST(Convert, AnOutputNamedDashIsStandardOutput)
{
    const std::string dir = MakeTempDir();
    const std::string sound = TARVOK_SOUNDS_DIR "/buddhies-sound000.agi";
    // A document's export, a resource played as records, a resource passed on as it is.
    for (const std::string& args : {std::string("--new --to tks"), "--to wav --chip pcjr " + sound,
                                   "--to vgm " + sound, "--to agi " + sound})
    {
        ASSERT_EQ(RunConvert(args + " " + dir + "/file").exitCode, 0) << args;
        const ConvertResult piped = RunConvert(args + " - > " + dir + "/piped");
        EXPECT_EQ(piped.exitCode, 0) << piped.out;
        EXPECT_EQ(ReadFileBytes(dir + "/piped"), ReadFileBytes(dir + "/file")) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/-"));
}

TEST(ConvertTks, FailuresNameTheFileAndWriteNothing)
{
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/bad.tks", "<sound type=\"tracker\">\r\n<settings>\r\n");
    WriteFileBytes(dir + "/other.tks", "<song />\r\n");
    WriteFileBytes(dir + "/bad.agi", std::string("\x08\x00\x08\x00\x08\x00\x40\x00", 8));
    WriteFileBytes(dir + "/big.agi", std::string(kMaxAgiFileBytes + 1, '\0'));
    const std::string tooBig = "D/big.agi: Error: Raw data too long! ( 1048577 bytes )";
    // Command lines and messages with "D/" standing for the scratch folder; a failure of the
    // file system names its file itself.
    const std::pair<std::string, std::string> cases[] = {
        {"D/bad.tks D/out.tks",
         "D/bad.tks: line 1: no end tag for <sound>"},
        {"D/other.tks D/out.mid",
         "D/other.tks: The resource you are trying to load\nis not a valid sound resource."},
        {"D/missing.tks D/out.tks", "Cannot open D/missing.tks:\nNo such file or directory."},
        {"--from agi D/bad.agi D/out.tks",
         "D/bad.agi: Error: Offset 64 for the noise channel is out of bounds! ( total size 8 )"},
        // An over-size resource, whether its records play or a document is made of them.
        {"D/big.agi D/out.tks", tooBig},
        {"--chip pcjr D/big.agi D/out.wav", tooBig},
        {"D/big.agi D/out.vgm", tooBig},
        {"D/big.agi --into-game D --sound 1", tooBig},
        {"--new D/no/such/folder/out.tks",
         "Cannot save D/no/such/folder/out.tks:\nNo such file or directory."},
        {"--new --into-game D/nogame --sound 3", "No such game folder: D/nogame"},
    };
    for (const auto& [line, message] : cases)
    {
        const ConvertResult r = RunConvert(InFolder(line, dir));
        EXPECT_EQ(r.exitCode, 1) << line;
        EXPECT_EQ(r.out, "tarvok-convert: " + InFolder(message, dir) + "\n") << line;
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.tks")) << line;
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.mid")) << line;
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.vgm")) << line;
    }
}

TEST(Convert, BadCommandLinesSayWhatIsWrongInOneLine)
{
    const std::string dir = MakeTempDir();
    const std::string tryHelp = "\nTry 'tarvok-convert --help'.\n";
    // Command lines with "D/" standing for the scratch folder.
    for (const char* pszLine :
         {"", "D/only-one.tks", "--new", "--new a.tks b.tks", "--from tks --new D/x.tks",
          "--from wav a b", "--to mp3 --new D/x.mp3", "--to", "--instruments 1,2 --new D/x.mid",
          "--instruments 0,0,128 --new D/x.mid", "--long D/a.tks D/x.mid",
          "--long D/a.tks --into-game D/g --sound 1",
          // MIDI import options
          "--map 1,2 D/s.mid D/x.tks", "--map 1,2,17 D/s.mid D/x.tks",
          "--map 1,1,2 D/s.mid D/x.tks", "--drums 0 D/s.mid D/x.tks",
          "--map 1,2,3 --drums 3 D/s.mid D/x.tks", "--from vgm --drums 9 D/s.mid D/x.tks",
          "--drums 9 --new D/x.tks",
          // options where nothing is rendered
          "--loop D/s.tks D/x.wav", "--fade 2.5 D/s.tks D/x.wav", "--chip speaker D/s.tks D/x.tks",
          "--chip sid D/s.tks D/x.wav",
          // game folders
          "--game D --sound 1", "--game D --list X", "--sound 3 a b", "--game D --sound 256 o",
          "a --into-game D", "--list", "--game D --all --to agi", "--all --to agi X",
          "--game D --all --sound 1 --to agi X"})
    {
        const ConvertResult r = RunConvert(InFolder(pszLine, dir));
        EXPECT_EQ(r.exitCode, 2) << pszLine;
        ASSERT_GT(r.out.size(), tryHelp.size()) << pszLine;
        EXPECT_EQ(r.out.rfind("tarvok-convert: ", 0), 0u) << r.out;
        EXPECT_EQ(r.out.find('\n'), r.out.size() - tryHelp.size()) << r.out;
        EXPECT_EQ(r.out.substr(r.out.size() - tryHelp.size()), tryHelp) << r.out;
    }
    EXPECT_EQ(RunConvert("--verbose a b").out,
              "tarvok-convert: unknown option '--verbose'" + tryHelp);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    const ConvertResult help = RunConvert("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: tarvok-convert", 0), 0u);
}

TEST(ConvertImport, MidiOptionsChooseTheChannelsAndTheLossesAreReported)
{
    const std::string dir = MakeTempDir();
    const Bytes song = CrowdedMidiSong();
    const std::string in = Write(dir, "song.MID", song);
    // The options, what the core imports for them, the report of cut notes ("" for none).
    const std::tuple<const char*, MidiImportOptions, std::string> cases[] = {
        {"", MidiImportOptions{}, "tarvok-convert: " + in + ": 2 notes cut for polyphony\n"},
        {"--drums none", MidiImportOptions::WithDrums(0), "song.MID: 2 notes cut"},
        {"--map 2,0,0", MidiImportOptions::Mapped({2, 0, 0}, 10), ""},
        {"--map=0,1,2 --drums=none", MidiImportOptions::Mapped({0, 1, 2}, 0), "4 notes cut"},
    };
    for (const auto& [options, expected, cut] : cases)
    {
        SCOPED_TRACE(options);
        const ConvertResult r = RunConvert(std::string(options) + " " + in + " " + dir + "/o.agi");
        ASSERT_EQ(r.exitCode, 0) << r.out;
        CSoundDoc doc;
        ASSERT_TRUE(ImportMidi(song, expected, doc).Ok());
        std::lock_guard lock(doc.Guard());
        EXPECT_EQ(RecordsOf(dir + "/o.agi"), ResourceRecords(BuildAgiResource(doc, doc.GetPlayRange()).Value()));
        EXPECT_EQ(r.out.find(cut.empty() ? "cut for polyphony" : cut) != std::string::npos,
                  !cut.empty())
            << r.out;
        EXPECT_EQ(r.out.find("raised by octaves into range") != std::string::npos,
                  expected.channels[0] != MidiChannelUse::LeaveOut)
            << r.out;
    }
    EXPECT_TRUE(RecordsOf(dir + "/o.agi")[3].empty()); // --drums none
}

TEST(ConvertImport, EveryOutputFormatAndInputByExtensionOrFrom)
{
    const std::string dir = MakeTempDir();
    const Bytes vgm = VgmFile(VgmTone(0, 200) + VgmAtten(0, 2) + VgmWait(735 * 30), 735 * 30);
    const std::string inputs[] = {Write(dir, "a.mid", CrowdedMidiSong()), Write(dir, "c.vgm", vgm),
                                  Write(dir, "d.VGZ", Gzip(vgm)),
                                  "--from mid " + Write(dir, "e.song", CrowdedMidiSong()),
                                  "--from vgm " + Write(dir, "f.bin", vgm)};
    for (const std::string& input : inputs)
        for (const char* output : {"out.tks", "out.agi", "out.mid", "out.wav"})
        {
            const ConvertResult r = RunConvert(input + " " + dir + "/" + output);
            EXPECT_EQ(r.exitCode, 0) << input << " -> " << output << "\n" << r.out;
            EXPECT_GT(std::filesystem::file_size(dir + "/" + output), 0u) << input;
            std::filesystem::remove(dir + "/" + output);
        }
    // The VGM's one tone comes through as the engine plays it.
    ASSERT_EQ(RunConvert(dir + "/d.VGZ " + dir + "/v.agi").exitCode, 0);
    EXPECT_EQ(RecordsOf(dir + "/v.agi")[0], (std::vector<SongRecord>{{0, 30, 200, 2}}));
}

TEST(FileFormats, OpenKnowsFilesByExtensionThenByContentElseAsDocuments)
{
    const std::string dir = MakeTempDir();
    // Four channels' offsets, each channel empty; then channel 1's data before channel 0's.
    const std::string agi("\x08\0\x0A\0\x0C\0\x0E\0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 16);
    std::string backwards = agi;
    std::swap(backwards[0], backwards[2]);
    // Name, content, format.
    const std::tuple<const char*, std::string, const char*> files[] = {
        {"a.MID", "", "mid"},     {"b.midi", agi, "mid"},        {"c.vgz", "", "vgm"},
        {"sound.0", agi, "agi"},  {"d.tks", agi, "agi"},         {"e.tks", "<sound />", "tks"},
        {"f", backwards, "tks"},  {"g", agi.substr(0, 7), "tks"}};
    for (const auto& [name, content, key] : files)
    {
        WriteFileBytes(dir + "/" + name, content);
        EXPECT_STREQ(RecogniseFile(dir + "/" + name).key, key) << name;
    }
    EXPECT_STREQ(RecogniseFile(dir + "/missing").key, "tks");
    // A format whose files have any name offers them alone; others every file after theirs.
    EXPECT_EQ(AgiFileFormat().OpenFilter(), "AGI Sound Resources (*.*)|*.*||");
    EXPECT_EQ(MidiFileFormat().OpenFilter(),
              "MIDI Files (*.mid;*.midi)|*.mid;*.midi|All Files (*.*)|*.*||");
}

TEST(ConvertImport, BadFilesAreNamedAndWriteNothing)
{
    const std::string dir = MakeTempDir();
    const std::pair<std::string, Bytes> cases[] = {
        {"text.mid", Bytes{'h', 'e', 'l', 'l', 'o'}},
        {"nochip.vgm", VgmFile(VgmWait(735), 735, 0)},
        {"text.vgz", Bytes{'n', 'o', 't', ' ', 'g', 'z'}},
    };
    for (const auto& [name, bytes] : cases)
    {
        const std::string in = Write(dir, name, bytes);
        const ConvertResult r = RunConvert(in + " " + dir + "/out.tks");
        EXPECT_EQ(r.exitCode, 1) << name;
        const std::string named = "tarvok-convert: " + in + ": ";
        EXPECT_EQ(r.out.rfind(named, 0), 0u) << r.out;
        EXPECT_GT(r.out.size(), named.size() + 4) << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.tks")) << name;
    }
}
