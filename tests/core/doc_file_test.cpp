#include "sound/SoundDoc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const char kNewDocumentText[] = "<sound type=\"tracker\">\r\n"
                                "<settings>\r\n"
                                "<song>\r\n"
                                "<playrange start=\"0\" end=\"16\" />\r\n"
                                "<tempo tpb=\"4\" bpm=\"125\" />\r\n"
                                "</song>\r\n"
                                "<editor stepsize=\"16\" />\r\n"
                                "</settings>\r\n"
                                "<machine channel=\"0\" name=\"Voice0\" nextpattern=\"1\">\r\n"
                                "<pattern index=\"0\" name=\"000\" rows=\"16\" />\r\n"
                                "<sequence>\r\n"
                                "<row index=\"0\" pattern=\"0\" />\r\n"
                                "</sequence>\r\n"
                                "</machine>\r\n"
                                "</sound>\r\n";

const char kNotValid[] = "The resource you are trying to load\nis not a valid sound resource.";

// A document with one machine whose text is given.
std::string WithMachine(const std::string& machine)
{
    return "<sound type=\"tracker\">\r\n" + machine + "</sound>\r\n";
}

std::string PatternFile(const std::string& rows, const std::string& channel = "3")
{
    return WithMachine(
        "<machine channel=\"" + channel + "\" name=\"Noise\" nextpattern=\"0\">\r\n" +
        "<pattern index=\"0\" name=\"p\" rows=\"8\">\r\n" + rows + "</pattern>\r\n</machine>\r\n");
}

// Everything that a save keeps, as comparable text (patterns by their binary blocks).
std::string Describe(const CSoundDoc& doc)
{
    std::string out = std::to_string(doc.m_nRangeStart) + " " + std::to_string(doc.m_nRangeEnd) +
                      " " + std::to_string(doc.m_nTracksPerBeat) + " " +
                      std::to_string(doc.m_nBeatsPerMinute) + " " + std::to_string(doc.m_nStepSize);
    for (int c = 0; c < kChannelCount; ++c)
    {
        std::map<const CSoundPattern*, std::size_t> index;
        for (const auto& p : doc.m_patterns[c])
        {
            index.emplace(p.get(), index.size());
            out += "\npattern " + Hex(CSoundDoc::CopyPatternToGlobal(p.get()));
        }
        for (const auto& [pos, pPattern] : doc.m_sequence[c])
            out += "\nat " + std::to_string(pos) + ": " + std::to_string(index.at(pPattern));
    }
    return out;
}

// A cell as the editors can make it on the given channel.
SoundCell RandomCell(std::mt19937& rng, int channel)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    SoundCell cell = SoundCell::Empty();
    if (pick(3) == 0)
        return cell;
    if (channel == kNoiseChannel)
    {
        const int f = pick(6);
        cell.freq = f < 4 ? static_cast<std::uint8_t>(f) : (f == 4 ? FREQ_OFF : FREQ_EMPTY);
        cell.noiseType = cell.freq < 4 ? static_cast<std::uint8_t>(pick(2)) : 0;
    }
    else
    {
        const int n = pick(130);
        cell.note = n <= 118 ? static_cast<std::uint8_t>(n) : NOTE_EMPTY;
    }
    if (pick(2) == 0)
        cell.atten = static_cast<std::uint8_t>(pick(16));
    return cell;
}

// Names with blanks, XML's special characters, tabs and non-ASCII text.
const std::vector<std::string> kAwkwardNames = {"Intro bass",
                                                "say \"hi\"",
                                                "a<b>c",
                                                "Tom & Jerry",
                                                "tab\there",
                                                "  padded  ",
                                                "'",
                                                "Gr\xC3\xBC\xC3\x9F"
                                                "e \xE6\x97\xA5\xE6\x9C\xAC",
                                                "&lt;literal&gt;",
                                                "</pattern>",
                                                "=",
                                                ""};
} // namespace

TEST(DocFileSave, NewDocumentText)
{
    CSoundDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.SaveToBytes(), kNewDocumentText);
}

TEST(DocFileSave, CellAttributes)
{
    CSoundDoc doc;
    CSoundPattern* noise = doc.CreatePattern(3, 6);
    noise->SetCell(0, {255, 2, 1, 4});
    noise->SetCell(1, {255, FREQ_OFF, 0, 255});
    noise->SetCell(2, {255, 0, 0, 255});
    noise->SetCell(3, {255, 255, 1, 255}); // noise type alone: an empty row
    noise->SetCell(4, {255, 255, 0, 9});
    CSoundPattern* tone = doc.CreatePattern(0, 3);
    tone->SetCell(0, {60, 255, 0, 0});
    tone->SetCell(1, {NOTE_OFF, 255, 0, 255});
    tone->SetCell(2, {0, 255, 0, 15});
    const std::string text = doc.SaveToBytes();

    EXPECT_NE(
        text.find("<pattern index=\"0\" name=\"000\" rows=\"6\">\r\n"
                  "<row index=\"0\" frequency=\"2\" noisetype=\"white\" attenuation=\"4\" />\r\n"
                  "<row index=\"1\" frequency=\"off\" />\r\n"
                  "<row index=\"2\" frequency=\"0\" noisetype=\"periodic\" />\r\n"
                  "<row index=\"4\" attenuation=\"9\" />\r\n"
                  "</pattern>\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("<row index=\"0\" note=\"C-5\" attenuation=\"0\" />\r\n"
                        "<row index=\"1\" note=\"off\" />\r\n"
                        "<row index=\"2\" note=\"C-0\" attenuation=\"15\" />\r\n"),
              std::string::npos)
        << text;
    // No sequence element for a channel without placements; channels in index order.
    EXPECT_EQ(text.find("<sequence"), std::string::npos);
    EXPECT_LT(text.find("channel=\"0\""), text.find("channel=\"3\""));

    CSoundDoc back;
    ASSERT_TRUE(back.LoadFromBytes(text));
    const CSoundPattern& n = *back.m_patterns[3][0];
    EXPECT_EQ(n.GetCell(0), (SoundCell{255, 2, 1, 4}));
    EXPECT_EQ(n.GetCell(1), (SoundCell{255, FREQ_OFF, 0, 255}));
    EXPECT_EQ(n.GetCell(3), SoundCell::Empty());
    EXPECT_EQ(back.m_patterns[0][0]->GetCell(1).note, NOTE_OFF);
}

TEST(DocFileLoad, NoteTexts)
{
    CRecordingMessages messages;
    CSoundDoc doc;
    ASSERT_TRUE(doc.LoadFromBytes(
        PatternFile("<row index=\"0\" note=\"C#4\" />\r\n"
                    "<row index=\"1\" note=\"off\" />\r\n"
                    "<row index=\"2\" note=\"H-3\" />\r\n"
                    "<row index=\"3\" note=\"A-9\" />\r\n"
                    "<row index=\"4\" note=\"\" />\r\n"
                    "<row index=\"5\" frequency=\"3\" noisetype=\"whitenoise\" />\r\n"
                    "<row index=\"6\" frequency=\"1\" noisetype=\"pink\" />\r\n")));
    const CSoundPattern& p = *doc.m_patterns[3][0];
    EXPECT_EQ(p.GetCell(0).note, 49);
    EXPECT_EQ(p.GetCell(1).note, 118);
    EXPECT_EQ(p.GetCell(2).note, 48);
    EXPECT_EQ(p.GetCell(3).note, 117);
    EXPECT_EQ(p.GetCell(4).note, 12);
    EXPECT_EQ(p.GetCell(5), (SoundCell{255, 3, 1, 255}));
    EXPECT_EQ(p.GetCell(6), (SoundCell{255, 1, 0, 255}));
    EXPECT_EQ(p.GetCell(7), SoundCell::Empty());
    EXPECT_TRUE(messages.m_texts.empty());
}

TEST(DocFileLoad, FoundAtAnyDepthAndMissingPartsTakeDefaults)
{
    CSoundDoc doc;
    ASSERT_TRUE(doc.LoadFromBytes("<song>\r\n<wrapper>\r\n<sound>\r\n"
                                  "<machine channel=\"1\">\r\n<pattern name=\"a\" rows=\"2\" />\r\n"
                                  "</machine>\r\n</sound>\r\n</wrapper>\r\n</song>\r\n"));
    ASSERT_EQ(doc.m_patterns[1].size(), 1u);
    EXPECT_EQ(doc.m_nNextPattern[1], 1);
    EXPECT_EQ(doc.m_nRangeEnd, 16);
    EXPECT_EQ(doc.m_nBeatsPerMinute, 125);

    // Patterns without a name or rows, machines without a usable channel, and placements
    // of unknown patterns are skipped; a later pattern of the same index wins.
    ASSERT_TRUE(doc.LoadFromBytes(WithMachine(
        "<machine channel=\"0\">\r\n"
        "<pattern index=\"0\" rows=\"4\" />\r\n"
        "<pattern index=\"0\" name=\"first\" rows=\"4\" />\r\n"
        "<pattern index=\"0\" name=\"second\" rows=\"4\" />\r\n"
        "<sequence>\r\n<row index=\"0\" pattern=\"0\" />\r\n<row index=\"16\" pattern=\"5\" />\r\n"
        "<row index=\"32\" />\r\n</sequence>\r\n</machine>\r\n"
        "<machine channel=\"4\">\r\n<pattern name=\"lost\" rows=\"4\" />\r\n</machine>\r\n"
        "<machine>\r\n<pattern name=\"lost\" rows=\"4\" />\r\n</machine>\r\n")));
    ASSERT_EQ(doc.m_patterns[0].size(), 2u);
    EXPECT_EQ(doc.m_sequence[0].size(), 1u);
    EXPECT_EQ(doc.m_sequence[0].at(0)->GetName(), "second");
    for (int c = 1; c < kChannelCount; ++c)
        EXPECT_TRUE(doc.m_patterns[c].empty());
}

TEST(DocFileLoad, SettingsTheEditorCouldNotHaveMadeKeepTheirDefaults)
{
    CSoundDoc doc;
    ASSERT_TRUE(doc.LoadFromBytes(
        "<sound>\r\n<settings>\r\n<song>\r\n<playrange start=\"-5\" end=\"400\" />\r\n"
        "<tempo tpb=\"0\" bpm=\"-3\" />\r\n</song>\r\n<editor stepsize=\"0\" />\r\n"
        "</settings>\r\n</sound>\r\n"));
    EXPECT_EQ(doc.m_nRangeStart, -5);
    EXPECT_EQ(doc.m_nRangeEnd, 400);
    EXPECT_EQ(doc.m_nTracksPerBeat, 4);
    EXPECT_EQ(doc.m_nBeatsPerMinute, 125);
    EXPECT_EQ(doc.m_nStepSize, 16);
    ASSERT_TRUE(doc.LoadFromBytes("<sound>\r\n<settings>\r\n<song>\r\n"
                                  "<tempo tpb=\"24\" bpm=\"140\" />\r\n</song>\r\n"
                                  "<editor stepsize=\"32\" />\r\n</settings>\r\n</sound>\r\n"));
    EXPECT_EQ(doc.m_nTracksPerBeat, 24);
    EXPECT_EQ(doc.m_nBeatsPerMinute, 140);
    EXPECT_EQ(doc.m_nStepSize, 32);
}

TEST(DocFileLoad, FailuresShowTheirMessageAndLeaveAnEmptyDocument)
{
    struct Case
    {
        std::string text;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"<sound type=\"tracker\">\r\n<settings>\r\n",
         "Could not load resource. XML loader reported;\n\nNo end tag found!"},
        {"</sound>\r\n", "Could not load resource. XML loader reported;\n\nEnd tag found without "
                         "matching start tag!"},
        {"<sound\r\n", "Could not load resource. XML loader reported;\n\nUnmatched '<' in file!"},
        {"", kNotValid},
        {"<song>\r\n</song>\r\n", kNotValid},
        {PatternFile("").replace(PatternFile("").find("rows=\"8\""), 8, "rows=\"65537\""),
         kNotValid},
        {PatternFile("").replace(PatternFile("").find("rows=\"8\""), 8, "rows=\"-1\""), kNotValid},
        {PatternFile("").replace(PatternFile("").find("rows=\"8\""), 8, "rows=\"99999999999\""),
         kNotValid},
    };
    for (const Case& c : cases)
    {
        CRecordingMessages messages;
        CSoundDoc doc;
        doc.OnNewDocument();
        EXPECT_FALSE(doc.LoadFromBytes(c.text)) << c.text;
        ASSERT_EQ(messages.m_texts.size(), 1u) << c.text;
        EXPECT_EQ(messages.m_texts[0], c.message);
        EXPECT_EQ(messages.m_types[0], static_cast<unsigned>(MB_ICONEXCLAMATION));
        for (int ch = 0; ch < kChannelCount; ++ch)
            EXPECT_TRUE(doc.m_patterns[ch].empty() && doc.m_sequence[ch].empty());
    }
}

TEST(DocFileLoad, RowsAtTheLimitsAndRowsOutsideThePattern)
{
    CRecordingMessages messages;
    CSoundDoc doc;
    std::string text = PatternFile("<row index=\"-1\" frequency=\"1\" />\r\n"
                                   "<row index=\"8\" frequency=\"1\" />\r\n"
                                   "<row index=\"2147483647\" frequency=\"1\" />\r\n"
                                   "<row index=\"7\" frequency=\"1\" />\r\n");
    ASSERT_TRUE(doc.LoadFromBytes(text));
    const CSoundPattern& p = *doc.m_patterns[3][0];
    EXPECT_EQ(p.GetRows(), 8);
    for (int r = 0; r < 7; ++r)
        EXPECT_EQ(p.GetCell(r), SoundCell::Empty());
    EXPECT_EQ(p.GetCell(7).freq, 1);

    text.replace(text.find("rows=\"8\""), 8, "rows=\"65536\"");
    ASSERT_TRUE(doc.LoadFromBytes(text));
    EXPECT_EQ(doc.m_patterns[3][0]->GetRows(), 65536);
    EXPECT_EQ(doc.m_patterns[3][0]->GetCell(8).freq, 1);
    EXPECT_TRUE(messages.m_texts.empty());

    // Many large patterns from a few bytes each: refused before they are made.
    std::string many;
    for (int i = 0; i < 257; ++i)
        many += "<pattern name=\"\" rows=\"65536\" />\r\n";
    EXPECT_FALSE(
        doc.LoadFromBytes(WithMachine("<machine channel=\"0\">\r\n" + many + "</machine>\r\n")));
    EXPECT_EQ(messages.m_texts, (std::vector<std::string>{kNotValid}));
}

TEST(DocFileRoundTrip, AwkwardNamesSurvive)
{
    CSoundDoc doc;
    for (const std::string& name : kAwkwardNames)
        doc.CreatePattern(1, 2, name.c_str());
    CSoundDoc back;
    ASSERT_TRUE(back.LoadFromBytes(doc.SaveToBytes()));
    ASSERT_EQ(back.m_patterns[1].size(), kAwkwardNames.size());
    for (std::size_t i = 0; i < kAwkwardNames.size(); ++i)
        EXPECT_EQ(back.m_patterns[1][i]->GetName(), kAwkwardNames[i]);
}

TEST(DocFileRoundTrip, RandomDocuments)
{
    for (unsigned seed = 1; seed <= 40; ++seed)
    {
        std::mt19937 rng(seed);
        CSoundDoc doc;
        doc.m_nRangeStart = static_cast<std::int32_t>(rng() % 200) - 20;
        doc.m_nRangeEnd = static_cast<std::int32_t>(rng() % 5000);
        doc.m_nTracksPerBeat = 1 + static_cast<std::int32_t>(rng() % 256);
        doc.m_nBeatsPerMinute = 1 + static_cast<std::int32_t>(rng() % 256);
        doc.m_nStepSize = 1 << (rng() % 11);
        for (int c = 0; c < kChannelCount; ++c)
        {
            const int nPatterns = static_cast<int>(rng() % 6);
            for (int i = 0; i < nPatterns; ++i)
            {
                const std::int32_t rows = static_cast<std::int32_t>(rng() % 70);
                const std::string& name = kAwkwardNames[rng() % kAwkwardNames.size()];
                CSoundPattern* p = rng() % 2 ? doc.CreatePattern(c, rows)
                                             : doc.CreatePattern(c, rows, name.c_str());
                for (std::int32_t r = 0; r < rows; ++r)
                    p->SetCell(r, RandomCell(rng, c));
            }
            for (int k = 0; nPatterns > 0 && k < 8; ++k)
            {
                const auto pos = static_cast<std::int32_t>(rng() % 3000) - 100;
                doc.m_sequence[c][pos] = doc.m_patterns[c][rng() % doc.m_patterns[c].size()].get();
            }
        }
        const std::string text = doc.SaveToBytes();
        CSoundDoc back;
        ASSERT_TRUE(back.LoadFromBytes(text)) << "seed " << seed;
        EXPECT_EQ(Describe(back), Describe(doc)) << "seed " << seed;
        for (int c = 0; c < kChannelCount; ++c) // loading counts the loaded patterns again
            EXPECT_EQ(back.m_nNextPattern[c],
                      doc.m_nNextPattern[c] + static_cast<int>(doc.m_patterns[c].size()))
                << "seed " << seed;
        back.m_nNextPattern = doc.m_nNextPattern;
        EXPECT_EQ(back.SaveToBytes(), text) << "seed " << seed;
        ASSERT_TRUE(back.LoadFromBytes(text)); // a second load replaces, not adds
        EXPECT_EQ(Describe(back), Describe(doc)) << "seed " << seed;
    }
}

TEST(DocFileDisk, SaveReplacesAndAFailedSaveKeepsTheOldFile)
{
    const std::string top = MakeTempDir();
    const std::string dir = top + "/docs";
    std::filesystem::create_directory(dir);
    ::chmod(top.c_str(), 0755);
    const std::string path = dir + "/song.tks";

    CSoundDoc doc;
    doc.OnNewDocument();
    doc.SetModifiedFlag();
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(ReadFileBytes(path), kNewDocumentText);

    CSoundDoc opened;
    ASSERT_TRUE(opened.OnOpenDocument(path));
    EXPECT_EQ(Describe(opened), Describe(doc));

    // Save into a folder that cannot be written: a message, false, and the old file whole.
    doc.CreatePattern(2, 4, "more");
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // Root writes anywhere: save as an ordinary user instead.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        CRecordingMessages messages;
        const bool saved = doc.OnSaveDocument(path);
        ::_exit(!saved && messages.m_texts.size() == 1 && doc.IsModified() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(dir.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes(path), kNewDocumentText);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1);
}
