// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert run as a separate program: its command line, .tks input and output.
#include "AgiTestBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

namespace
{
struct RunResult
{
    int exitCode = -1;
    std::string out; // stdout and stderr together
};

RunResult Convert(const std::vector<std::string>& args)
{
    auto quote = [](const std::string& arg)
    {
        std::string q = "'";
        for (char c : arg)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    std::string command = quote(TARVOK_CONVERT_EXE);
    for (const auto& arg : args)
        command += " " + quote(arg);
    RunResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        result.out.append(buf, n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
} // namespace

TEST(ConvertTks, NewDocumentAndDocumentRoundTrip)
{
    const std::string dir = MakeTempDir();
    CSoundDoc doc;
    doc.OnNewDocument();
    const RunResult r = Convert({"--new", dir + "/new.tks"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFileBytes(dir + "/new.tks"), doc.SaveToBytes());
    // Same with the format named and an extension that says nothing.
    EXPECT_EQ(Convert({"--to", "tks", "--new", dir + "/plain"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir + "/plain"), doc.SaveToBytes());

    CSoundPattern* p = doc.CreatePattern(3, 8, "Intro bass & <noise>");
    p->SetCell(2, {255, 1, 1, 6});
    doc.m_sequence[3][16] = p;
    doc.m_nStepSize = 8;
    doc.m_nRangeEnd = 40;
    const std::string text = doc.SaveToBytes();
    WriteFileBytes(dir + "/in.tks", text);
    // Loading advances each channel's next pattern number by its loaded patterns (one each).
    std::string expected = text;
    for (std::size_t at = 0; (at = expected.find("nextpattern=\"1\"", at)) != std::string::npos;)
        expected.replace(at, 15, "nextpattern=\"2\"");
    ASSERT_NE(expected, text);
    EXPECT_EQ(Convert({dir + "/in.tks", dir + "/out.tks"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir + "/out.tks"), expected);
    // --from tks reads a document whatever its name.
    std::filesystem::copy_file(dir + "/in.tks", dir + "/in.doc");
    EXPECT_EQ(Convert({"--from=tks", dir + "/in.doc", "--to=tks", dir + "/out2"}).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(dir + "/out2"), expected);
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
        const RunResult r = Convert({dir + "/" + name, dir + "/out.tks"});
        EXPECT_EQ(r.exitCode, 1) << name;
        if (message.empty())
            EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
        else
            EXPECT_EQ(r.out, message);
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.tks"));
    }
    const RunResult r = Convert({"--new", dir + "/no/such/folder/out.tks"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.out.empty());
}

TEST(ConvertTks, BadCommandLinesPrintTheUsage)
{
    const std::string dir = MakeTempDir();
    // Command lines with "D/" standing for the scratch folder.
    for (const char* pszLine :
         {"", "D/only-one.tks", "a.tks b.tks c.tks", "--new", "--new a.tks b.tks",
          "--from tks --new D/x.tks", "--from mid a b", "--to mp3 --new D/x.mp3", "--to",
          "--instruments 1,2 --new D/x.mid", "--instruments 0,0,128 --new D/x.mid",
          "--instruments 0,-1,3 --new D/x.mid", "--verbose --new D/x.tks"})
    {
        std::vector<std::string> args;
        std::istringstream words(pszLine);
        for (std::string word; words >> word;)
            args.push_back(word.starts_with("D/") ? dir + word.substr(1) : word);
        const RunResult r = Convert(args);
        EXPECT_EQ(r.exitCode, 2) << pszLine;
        EXPECT_NE(r.out.find("usage: tarvok-convert"), std::string::npos) << pszLine;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    const RunResult help = Convert({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: tarvok-convert", 0), 0u);
}

// A resource imported, kept as a document and exported gives what a direct export gives.
TEST(ConvertTks, SampleSoundSurvivesADocumentInBetween)
{
    const std::string dir = MakeTempDir();
    const std::string agi = dir + "/song.agi";
    WriteFileBytes(agi, RandomResource(7, 60, 100));
    for (const std::vector<std::string>& args : {std::vector<std::string>{agi, dir + "/direct.agi"},
                                                 {agi, dir + "/a.tks"},
                                                 {dir + "/a.tks", dir + "/b.tks"},
                                                 {"--to", "agi", dir + "/b.tks", dir + "/via.res"}})
        ASSERT_EQ(Convert(args).exitCode, 0) << testing::PrintToString(args);
    EXPECT_EQ(ReadFileBytes(dir + "/via.res"), ReadFileBytes(dir + "/direct.agi"));
}
