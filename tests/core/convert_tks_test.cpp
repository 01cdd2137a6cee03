// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert run as a separate program: its command line, .tks input and output.
#include "AgiTestBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(ConvertTks, NewDocumentIsTheEditorsNewDocument)
{
    const std::string dir = MakeTempDir();
    CSoundDoc doc;
    doc.OnNewDocument();
    const ConvertResult r = RunConvert("--new " + dir + "/new.tks");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFileBytes(dir + "/new.tks"), doc.SaveToBytes());
    // Same with the format named and an extension that says nothing.
    EXPECT_EQ(RunConvert("--to tks --new " + dir + "/plain").exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir + "/plain"), doc.SaveToBytes());
}

TEST(ConvertTks, FailuresNameTheFileAndWriteNothing)
{
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/bad.tks", "<sound type=\"tracker\">\r\n<settings>\r\n");
    WriteFileBytes(dir + "/other.tks", "<song />\r\n");
    WriteFileBytes(dir + "/bad.agi", std::string("\x08\x00\x08\x00\x08\x00\x40\x00", 8));
    // Command lines and messages with "D/" standing for the scratch folder; a failure of the
    // file system names its file itself.
    const std::pair<std::string, std::string> cases[] = {
        {"D/bad.tks D/out.tks",
         "D/bad.tks: Could not load resource. XML loader reported;\n\nNo end tag found!"},
        {"D/other.tks D/out.mid",
         "D/other.tks: The resource you are trying to load\nis not a valid sound resource."},
        {"D/missing.tks D/out.tks", "Cannot open D/missing.tks:\nNo such file or directory."},
        {"--from agi D/bad.agi D/out.tks",
         "D/bad.agi: Error: Offset 64 for machine 3 is out of bounds! ( total size 8 )"},
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
    }
}

TEST(ConvertTks, BadCommandLinesSayWhatIsWrongInOneLine)
{
    const std::string dir = MakeTempDir();
    const std::string tryHelp = "\nTry 'tarvok-convert --help'.\n";
    // Command lines with "D/" standing for the scratch folder.
    for (const char* pszLine :
         {"", "D/only-one.tks", "a.tks b.tks c.tks", "--new", "--new a.tks b.tks",
          "--from tks --new D/x.tks", "--from wav a b", "--to mp3 --new D/x.mp3", "--to",
          "--instruments 1,2 --new D/x.mid", "--instruments 0,0,128 --new D/x.mid",
          "--instruments 0,-1,3 --new D/x.mid", "--verbose --new D/x.tks", "--long D/a.tks D/x.mid",
          "--long D/a.tks --into-game D/g --sound 1"})
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
    EXPECT_NE(help.out.find("--long"), std::string::npos);
}
