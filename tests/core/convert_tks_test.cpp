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

TEST(ConvertTks, FailuresPrintTheMessageAndWriteNothing)
{
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/bad.tks", "<sound type=\"tracker\">\r\n<settings>\r\n");
    WriteFileBytes(dir + "/other.tks", "<song />\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {"bad.tks", "Could not load resource. XML loader reported;\n\nNo end tag found!\n"},
        {"other.tks", "The resource you are trying to load\nis not a valid sound resource.\n"},
        {"missing.tks", ""},
    };
    for (const auto& [name, message] : cases)
    {
        const ConvertResult r = RunConvert(dir + "/" + name + " " + dir + "/out.tks");
        EXPECT_EQ(r.exitCode, 1) << name;
        if (message.empty())
            EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
        else
            EXPECT_EQ(r.out, message);
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.tks"));
    }
    const ConvertResult r = RunConvert("--new " + dir + "/no/such/folder/out.tks");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.out.empty());
}

TEST(ConvertTks, BadCommandLinesPrintTheUsage)
{
    const std::string dir = MakeTempDir();
    // Command lines with "D/" standing for the scratch folder.
    for (const char* pszLine :
         {"", "D/only-one.tks", "a.tks b.tks c.tks", "--new", "--new a.tks b.tks",
          "--from tks --new D/x.tks", "--from wav a b", "--to mp3 --new D/x.mp3", "--to",
          "--instruments 1,2 --new D/x.mid", "--instruments 0,0,128 --new D/x.mid",
          "--instruments 0,-1,3 --new D/x.mid", "--verbose --new D/x.tks"})
    {
        std::string line = pszLine;
        for (std::size_t at; (at = line.find("D/")) != std::string::npos;)
            line.replace(at, 1, dir);
        const ConvertResult r = RunConvert(line);
        EXPECT_EQ(r.exitCode, 2) << pszLine;
        EXPECT_NE(r.out.find("usage: tarvok-convert"), std::string::npos) << pszLine;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    const ConvertResult help = RunConvert("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: tarvok-convert", 0), 0u);
}
