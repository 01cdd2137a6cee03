// SPDX-License-Identifier: GPL-3.0-or-later
// The document's file: the XML reader and writer, and the song format on them.
#include "framework/Archive.h"
#include "framework/MemFile.h"
#include "sound/SoundDoc.h"
#include "sound/SoundFileReader.h"
#include "sound/SoundTreeReader.h"
#include "support/TestSupport.h"
#include "xml/XMLElement.h"
#include "xml/XMLException.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace
{
const char kNotValid[] = "The resource you are trying to load\nis not a valid sound resource.";

std::string WithMachine(const std::string& machine)
{
    return "<sound type=\"tracker\">\r\n" + machine + "</sound>\r\n";
}

// One noise pattern "p" of the given rows and row elements.
std::string PatternFile(const std::string& rows, const std::string& count = "8")
{
    return WithMachine("<machine channel=\"3\" name=\"Noise\" nextpattern=\"0\">\r\n"
                       "<pattern index=\"0\" name=\"p\" rows=\"" +
                       count + "\">\r\n" + rows + "</pattern>\r\n</machine>\r\n");
}

// The cells of a pattern as block bytes: note, attenuation, frequency, noise type per row.
std::string Cells(const CSoundPattern& p)
{
    return Hex(CSoundDoc::CopyPatternToGlobal(&p).substr(5 + p.GetName().size()));
}

// Everything that a save keeps, as comparable text (patterns by their binary blocks).
std::string Describe(const CSoundDoc& doc)
{
    std::string out;
    for (const int v : {doc.GetPlayRange().start, doc.GetPlayRange().end, doc.GetTracksPerBeat(),
                        doc.GetBeatsPerMinute(), doc.GetStepSize()})
        out += std::to_string(v) + " ";
    for (int c = 0; c < kChannelCount; ++c)
    {
        std::map<const CSoundPattern*, std::size_t> index;
        for (const CSoundPattern* p : doc.GetPatterns(c))
        {
            index.emplace(p, index.size());
            out += "\npattern " + Hex(CSoundDoc::CopyPatternToGlobal(p));
        }
        for (const auto& [pos, pPattern] : doc.GetSequence(c))
            out += "\nat " + std::to_string(pos) + ": " + std::to_string(index.at(pPattern));
    }
    return out;
}

// Names with blanks, XML's special characters, line breaks, tabs and non-ASCII text, and
// ones that look like the end of a value or of a tag.
const std::vector<std::string>
    kAwkwardNames({"Intro bass", "say \"hi\"", "\"", "a<b>c", "Tom & Jerry", "tab\there",
                   "line\r\nbreak", "  padded  ", "'", "Gr\u00FC\u00DFe \u65E5\u672C",
                   "&lt;literal&gt;", "</pattern>", "=", "a=b c=d", "say\" w=\"x", "x/", ""});

// A random document as the editors can make it, names taken in turn from kAwkwardNames.
void MakeRandomDocument(CSoundDoc& doc, unsigned seed, std::size_t& nameIndex)
{
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    doc.AssignPlayRange({pick(200) - 20, pick(5000)});
    const std::int32_t tracksPerBeat = 1 + pick(256), beatsPerMinute = 1 + pick(256);
    doc.AssignProperties({beatsPerMinute, 1 << pick(11), tracksPerBeat});
    for (int c = 0; c < kChannelCount; ++c)
    {
        for (int i = pick(6); i > 0; --i)
        {
            const std::int32_t rows = pick(70);
            CSoundPattern* p = doc.CreatePattern(
                c, rows,
                pick(2) ? nullptr : kAwkwardNames[nameIndex++ % kAwkwardNames.size()].c_str());
            for (std::int32_t r = 0; r < rows; ++r)
            {
                SoundCell cell = SoundCell::Empty();
                if (c == kNoiseChannel)
                {
                    const int f = pick(6);
                    cell.freq = f < 4 ? f : (f == 4 ? FREQ_OFF : FREQ_EMPTY);
                    cell.noiseType = cell.freq < 4 ? pick(2) : 0;
                }
                else if (const int n = pick(130); n <= 118)
                    cell.note = n;
                if (pick(2) == 0)
                    cell.atten = pick(16);
                p->SetCell(r, pick(3) == 0 ? SoundCell::Empty() : cell);
            }
        }
        const auto& patterns = doc.GetPatterns(c);
        for (int k = 0; !patterns.empty() && k < 8; ++k)
        {
            const std::int32_t songPos = pick(3000) - 100;
            doc.PlacePattern(c, songPos, patterns[pick(static_cast<int>(patterns.size()))].get());
        }
    }
}

std::string ToText(CXMLElement& element)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    element.Serialize(ar);
    ar.Flush();
    return file.GetData();
}

void ReadInto(CXMLElement& element, const std::string& text)
{
    CMemFile file(text.data(), text.size());
    CArchive ar(&file, CArchive::load);
    element.Serialize(ar);
}

// What the reader made of the text, as the writer's text of every child (a complete,
// canonical picture), or its message.
// What the reader made of text, or its error: the message, or with bExplained the words and
// line that a person is shown.
std::string Read(const std::string& text, bool bExplained = false)
{
    CXMLElement root;
    try
    {
        ReadInto(root, text);
    }
    catch (const CXMLException& e)
    {
        return bExplained ? e.Explanation() : e.m_strMessage;
    }
    std::string dump;
    for (POSITION pos = root.GetFirstChildPosition(); pos;)
        dump += ToText(*root.GetNextChild(pos));
    return dump;
}

const std::string kUnmatched = "Unmatched '<' in file!";
const std::string kEndTag = "End tag found without matching start tag!";
const std::string kNoEndTag = "No end tag found!";
} // namespace

TEST(DocFileSave, RowsWriteOnlyTheBytesThatSaySomethingAndTheFileAlone)
{
    CSoundDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    CSoundPattern* tone = doc.GetPatterns(0)[0].get();
    tone->SetCell(0, {60, 255, 0, 0});
    tone->SetCell(1, {NOTE_OFF, 255, 0, 255});
    tone->SetCell(2, {49, 255, 0, 15});
    CSoundPattern* noise = doc.CreatePattern(3, 6);
    noise->SetCell(0, {255, 2, 1, 4});
    noise->SetCell(1, {255, FREQ_OFF, 0, 255});
    noise->SetCell(2, {255, 0, 0, 255});
    noise->SetCell(3, {255, 255, 1, 255}); // noise type alone: an empty row
    noise->SetCell(4, {255, 255, 0, 9});
    doc.SetModifiedFlag();
    const std::string dir = MakeTempDir();
    ASSERT_TRUE(doc.OnSaveDocument(dir + "/song.tks"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(FilesIn(dir), 1);
    // No sequence element for a channel without placements; channels in index order.
    EXPECT_EQ(ReadFileBytes(dir + "/song.tks"),
              "<sound type=\"tracker\">\r\n<settings>\r\n<song>\r\n"
              "<playrange start=\"0\" end=\"16\" />\r\n<tempo tpb=\"4\" bpm=\"125\" />\r\n"
              "</song>\r\n<editor stepsize=\"16\" />\r\n</settings>\r\n"
              "<machine channel=\"0\" name=\"Voice0\" nextpattern=\"1\">\r\n"
              "<pattern index=\"0\" name=\"000\" rows=\"16\">\r\n"
              "<row index=\"0\" note=\"C-5\" attenuation=\"0\" />\r\n"
              "<row index=\"1\" note=\"off\" />\r\n"
              "<row index=\"2\" note=\"C#4\" attenuation=\"15\" />\r\n</pattern>\r\n"
              "<sequence>\r\n<row index=\"0\" pattern=\"0\" />\r\n</sequence>\r\n</machine>\r\n"
              "<machine channel=\"3\" name=\"Noise\" nextpattern=\"1\">\r\n"
              "<pattern index=\"0\" name=\"000\" rows=\"6\">\r\n"
              "<row index=\"0\" frequency=\"2\" noisetype=\"white\" attenuation=\"4\" />\r\n"
              "<row index=\"1\" frequency=\"off\" />\r\n"
              "<row index=\"2\" frequency=\"0\" noisetype=\"periodic\" />\r\n"
              "<row index=\"4\" attenuation=\"9\" />\r\n"
              "</pattern>\r\n</machine>\r\n</sound>\r\n");

    // A save that fails once the text is written (the name is a folder's) leaves it unsaved.
    doc.SetModifiedFlag();
    EXPECT_FALSE(doc.OnSaveDocument(dir).Ok());
    EXPECT_TRUE(doc.IsModified());
}

TEST(DocFileLoad, NoteTextsDepthAndDefaults)
{
    CSoundDoc doc;
    ASSERT_TRUE(doc.LoadFromBytes(PatternFile("<row index=\"0\" note=\"C#4\" />\r\n"
                                              "<row index=\"1\" note=\"off\" />\r\n"
                                              "<row index=\"2\" note=\"H-3\" />\r\n"
                                              "<row index=\"3\" note=\"A-9\" />\r\n"
                                              "<row index=\"4\" note=\"\" />\r\n"
                                              "<row index=\"5\" frequency=\"3\" "
                                              "noisetype=\"whitenoise\" />\r\n"
                                              "<row index=\"6\" frequency=\"1\" "
                                              "noisetype=\"pink\" />\r\n")));
    EXPECT_EQ(Cells(*doc.GetPatterns(3)[0]), "31 FF FF 00 76 FF FF 00 30 FF FF 00 75 FF FF 00 "
                                             "0C FF FF 00 FF FF 03 01 FF FF 01 00 FF FF FF 00");

    // Found at any depth; patterns without a name or rows, machines without a usable channel
    // and placements of unknown patterns are skipped; a later pattern of the same index wins;
    // settings the editor could not have made keep their defaults.
    ASSERT_TRUE(doc.LoadFromBytes(
        "<file>\r\n<wrapper>\r\n<sound>\r\n<settings>\r\n<song>\r\n"
        "<playrange start=\"-5\" end=\"400\" />\r\n<tempo tpb=\"0\" bpm=\"-3\" />\r\n</song>\r\n"
        "<editor stepsize=\"0\" />\r\n</settings>\r\n<machine channel=\"0\">\r\n"
        "<pattern index=\"0\" rows=\"4\" />\r\n"
        "<pattern index=\"0\" name=\"first\" rows=\"4\" />\r\n"
        "<pattern index=\"0\" name=\"second\" />\r\n"
        "<pattern index=\"0\" name=\"third\" rows=\"4\" />\r\n"
        "<sequence>\r\n<row index=\"0\" pattern=\"0\" />\r\n<row index=\"16\" pattern=\"5\" />\r\n"
        "<row index=\"32\" />\r\n</sequence>\r\n</machine>\r\n"
        "<machine channel=\"4\">\r\n<pattern name=\"lost\" rows=\"4\" />\r\n</machine>\r\n"
        "<machine>\r\n<pattern name=\"lost\" rows=\"4\" />\r\n</machine>\r\n"
        "</sound>\r\n</wrapper>\r\n</file>\r\n"));
    CSoundDoc expected;
    expected.AssignPlayRange({-5, 400});
    expected.CreatePattern(0, 4, "first");
    expected.PlacePattern(0, 0, expected.CreatePattern(0, 4, "third"));
    EXPECT_EQ(Describe(doc), Describe(expected));
    EXPECT_EQ(doc.GetNextPatternNumber(0), 2);
}

TEST(DocFileRoundTrip, ExactDivisors)
{
    CSoundDoc doc;
    CSoundPattern* p = doc.CreatePattern(0, 2);
    p->SetCell(0, {66, 255, 0, 2, 288});
    p->SetCell(1, {NOTE_OFF, 255, 0, 255, 0});
    const std::string text = doc.SaveToBytes();
    EXPECT_NE(text.find("<row index=\"0\" note=\"F#5\" divisor=\"288\" attenuation=\"2\" />\r\n"
                        "<row index=\"1\" note=\"off\" divisor=\"0\" />"),
              std::string::npos);
    CSoundDoc back;
    ASSERT_TRUE(back.LoadFromBytes(text));
    EXPECT_EQ(Describe(back), Describe(doc));
    for (const std::string value : {"1024", "-1", "abc", "12x", ""})
    {
        ASSERT_TRUE(
            back.LoadFromBytes(PatternFile("<row index=\"0\" divisor=\"" + value + "\" />")));
        EXPECT_FALSE(back.GetPatterns(3)[0]->GetCell(0).HasDivisor()) << value;
    }
}

TEST(DocFileLoad, FailuresShowTheirMessageAndLeaveAnEmptyDocument)
{
    const std::pair<std::string, std::string> cases[] = {
        // One path for every XML error, said with its line; the reader's tests go through each.
        {"<sound type=\"tracker\">\r\n<settings>\r\n", "line 1: no end tag for <sound>"},
        {"", kNotValid},
        {PatternFile("", "65537"), kNotValid},
        {PatternFile("", "-1"), kNotValid},
        {PatternFile("", "99999999999"), kNotValid},
    };
    for (const auto& [text, message] : cases)
    {
        CSoundDoc doc;
        doc.OnNewDocument();
        EXPECT_EQ(doc.LoadFromBytes(text).Error(), message) << text;
        EXPECT_EQ(Describe(doc), "0 16 4 125 16 ");
    }
}

TEST(DocFileLoad, RowsAtTheLimitsAndRowsOutsideThePattern)
{
    CSoundDoc doc;
    const std::string rows = "<row index=\"-1\" frequency=\"1\" />\r\n"
                             "<row index=\"8\" frequency=\"1\" />\r\n"
                             "<row index=\"2147483647\" frequency=\"1\" />\r\n"
                             "<row index=\"7\" frequency=\"1\" />\r\n";
    ASSERT_TRUE(doc.LoadFromBytes(PatternFile(rows)));
    EXPECT_EQ(Cells(*doc.GetPatterns(3)[0]), Repeat("FF FF FF 00 ", 7) + "FF FF 01 00");

    ASSERT_TRUE(doc.LoadFromBytes(PatternFile(rows, "65536")));
    EXPECT_EQ(doc.GetPatterns(3)[0]->GetRows(), 65536);
    EXPECT_EQ(doc.GetPatterns(3)[0]->GetCell(8).freq, 1);

    // Many large patterns from a few bytes each: refused before they are made.
    const std::string many = Repeat("<pattern name=\"\" rows=\"65536\" />\r\n", 257);
    EXPECT_EQ(
        doc.LoadFromBytes(WithMachine("<machine channel=\"0\">\r\n" + many + "</machine>\r\n"))
            .Error(),
        kNotValid);
}

TEST(DocFileRoundTrip, RandomDocuments)
{
    std::size_t nameIndex = 0;
    for (unsigned seed = 1; seed <= 40; ++seed)
    {
        CSoundDoc doc;
        MakeRandomDocument(doc, seed, nameIndex);
        const std::string text = doc.SaveToBytes();
        CSoundDoc back;
        ASSERT_TRUE(back.LoadFromBytes(text)) << "seed " << seed;
        EXPECT_EQ(Describe(back), Describe(doc)) << "seed " << seed;
        for (int c = 0; c < kChannelCount; ++c) // loading counts the loaded patterns again
            EXPECT_EQ(back.GetNextPatternNumber(c),
                      doc.GetNextPatternNumber(c) + static_cast<int>(doc.GetPatterns(c).size()));
        for (int c = 0; c < kChannelCount; ++c)
            back.SetNextPatternNumber(c, doc.GetNextPatternNumber(c));
        EXPECT_EQ(back.SaveToBytes(), text) << "seed " << seed;
        ASSERT_TRUE(back.LoadFromBytes(text)); // a second load replaces, not adds
        EXPECT_EQ(Describe(back), Describe(doc)) << "seed " << seed;
    }
    EXPECT_GT(nameIndex, 2 * kAwkwardNames.size());
}

TEST(DocFileLoad, DirectReaderTakesTheWritersLayoutAndReadsAsTheTreeDoes)
{
    auto over = [](const std::string& text, auto read)
    {
        CMemFile file(text.data(), text.size());
        CArchive ar(&file, CArchive::load);
        CSoundDoc doc;
        return read(ar, doc) ? doc.SaveToBytes() : std::string("declined");
    };
    const std::string row0 = "<row index=\"0\" frequency=\"1\" />\r\n";
    const std::pair<std::string, bool> cases[] = {
        {PatternFile(row0), true},
        // LF ends, first of two values, unknown attributes, references, rows out of range.
        {"<sound>\n<machine channel=\"3\">\n<pattern name=\"a&amp;b&#9;\" rows=\"2\">\n"
         "<row index=\"1\" attenuation=\"3\" attenuation=\"4\" x=\"y\" />\n"
         "<row index=\"9\" frequency=\"1\" />\n<row frequency=\"2\" />\n</pattern>\n"
         "</machine>\n</sound>",
         true},
        // The writer's own order, but a reference, a second value.
        {"<sound>\n<machine channel=\"0\">\n<pattern name=\"p\" rows=\"2\">\n"
         "<row index=\"0\" note=\"C&#45;5\" divisor=\"300\" />\n<row index=\"1\" "
         "note=\"E-5\" attenuation=\"2\" attenuation=\"3\" />\n</pattern>\n</machine>\n</sound>",
         true},
        // Indented, unquoted, tag broken, text after the song, pattern after the sequence,
        // a machine without a channel: the tree decides.
        {PatternFile("  " + row0), false},
        {PatternFile("<row index=0 frequency=\"1\" />\r\n"), false},
        {PatternFile("<row index=\"0\"\r\nfrequency=\"1\" />\r\n"), false},
        {PatternFile(row0) + "<next />\r\n", false},
        {WithMachine("<machine channel=\"0\">\r\n<sequence />\r\n"
                     "<pattern name=\"p\" rows=\"1\" />\r\n</machine>\r\n"),
         false},
        {WithMachine("<machine>\r\n<pattern name=\"p\" rows=\"1\" />\r\n</machine>\r\n"), false},
    };
    for (const auto& [text, bDirect] : cases)
    {
        const std::string direct = over(text, CSoundFileReader::Read);
        EXPECT_EQ(direct != "declined", bDirect) << text;
        const std::string tree = over(text,
                                      [](CArchive& ar, CSoundDoc& doc)
                                      {
                                          CSoundTreeReader::Read(ar, doc);
                                          return true;
                                      });
        if (bDirect)
        {
            EXPECT_EQ(direct, tree) << text;
        }
        CSoundDoc loaded;
        ASSERT_TRUE(loaded.LoadFromBytes(text)) << text;
        EXPECT_EQ(loaded.SaveToBytes(), tree) << text;
    }
}

TEST(XMLWriter, OneLinePerElementEscapingSpecialAndControlCharactersOnly)
{
    CXMLElement sound("sound");
    CXMLElement* pMachine = sound.AddChild("machine");
    pMachine->AddAttribute("index", 0);
    pMachine->AddAttribute("index", 1);
    CXMLElement* pRow = pMachine->AddChild("row");
    pRow->AddAttribute("note", "");
    pRow->AddAttribute("vol", -1);
    pMachine->AddChild("row");
    sound.AddChild("a&b")->AddAttribute("k<", "x&y <\"z\"> \tq\r\n\x7f caf\xc3\xa9 = /");
    EXPECT_EQ(ToText(sound), "<sound>\r\n"
                             "<machine index=\"0\" index=\"1\">\r\n"
                             "<row note=\"\" vol=\"-1\" />\r\n"
                             "<row />\r\n"
                             "</machine>\r\n"
                             "<a&amp;b k&lt;=\"x&amp;y &lt;&quot;z&quot;&gt; &#9;q&#13;&#10;&#127; "
                             "caf\xc3\xa9 = /\" />\r\n"
                             "</sound>\r\n");
}

// Each error with its message, and the words and line a person is shown.
TEST(XMLReader, ErrorMessages)
{
    const std::string many = Repeat("<row />\r\n", 5000);
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"<a>\r\n", kNoEndTag, "line 1: no end tag for <a>"},
        {"<a />\r\n<b x=\"1\"\r\n", kUnmatched, "line 2: '<' without a '>' to end its tag"},
        {"<a", kUnmatched, "line 1: '<' without a '>' to end its tag"},
        // '>' is looked for before the '/' after '<' is judged
        {"</a", kUnmatched, "line 1: '<' without a '>' to end its tag"},
        {"</a>\r\n", kEndTag, "line 1: end tag </a> without a start tag"},
        {"<?xml version=\"1.0\"?>\r\n<sound />\r\n", kNoEndTag,
         "line 1: no end tag for <?xml>"},
        {"<a>\r\n</A>\r\n", kNoEndTag, "line 1: no end tag for <a>"},
        // A start tag broken over two lines runs together into one name.
        {"<pattern\r\nname=\"x\">\r\n<row />\r\n</pattern>\r\n", kNoEndTag,
         "line 1: no end tag for <patternname=\"x\">"},
        // The first "</a>" closes the outer element, leaving the inner one open: a same-named
        // descendant is the one shape the writer makes that cannot be read.
        {"<a>\r\n<a>\r\n</a>\r\n</a>\r\n", kNoEndTag, "line 2: no end tag for <a>"},
        {"<a>\r\n</b>\r\n</a>\r\n", kEndTag, "line 2: end tag </b> without a start tag"},
        {"<a>\r\n<b\r\n</a>\r\n", kUnmatched, "line 2: '<' without a '>' to end its tag"},
        // Lines are counted through blank and LF-only lines, indentation, and text read and
        // let go of long before.
        {"\n\r\n<a>\n  <b>\n\t<c />\n</a>\n", kNoEndTag, "line 4: no end tag for <b>"},
        {many + "text\r\n" + many + "<a>\r\n" + many + "<b>\r\n</a>\r\n", kNoEndTag,
         "line 15003: no end tag for <b>"},
        {many + "<p>\r\n</p><b>\r\n", kNoEndTag, "line 5002: no end tag for <b>"},
        {"<p>\r\n</p>text longer than the element\r\n<b>\r\n", kNoEndTag,
         "line 3: no end tag for <b>"},
        {many + "</row>\r\n", kEndTag, "line 5001: end tag </row> without a start tag"},
    };
    for (const auto& [text, message, explanation] : cases)
    {
        EXPECT_EQ(Read(text), message) << text.substr(0, 80);
        EXPECT_EQ(Read(text, true), explanation) << text.substr(0, 80);
    }
}

TEST(XMLReader, Leniencies)
{
    const std::string canonical = "<sound version=\"1\">\r\n<machine index=\"0\">\r\n"
                                  "<row note=\"60\" vol=\"3\" />\r\n<row />\r\n</machine>\r\n"
                                  "</sound>\r\n<next />\r\n";
    const std::pair<const char*, std::string> cases[] = {
        {"", ""},
        {"just text\r\n> and a bracket\r\n", ""},
        {canonical.c_str(), canonical},
        // Indentation, LF or CR LF line ends, everything on one line, an end tag split.
        {"<sound version=\"1\">\n  <machine index=\"0\">\n\t\t<row note=\"60\" vol=\"3\"/>\n"
         "\t\t<row/>   \r\n  </machine>\n</sound>\n   <next />",
         canonical},
        {"<sound version=\"1\"><machine index=\"0\"><row note=\"60\" vol=\"3\" /><row />"
         "</machine></sou\r\nnd><next />",
         canonical},
        {"<>\r\n</>\r\n", "< />\r\n"},
        {"<row note=60 vol=\"3\"/>", "<row note=\"60\" vol=\"3\" />\r\n"},
        {"<row  a=\"1\"   flag =x b=\"\" c=\"\"\"/>", "<row a=\"1\" =\"x\" b=\"\" c=\"\" />\r\n"},
        // A tab is not a separator: it stays part of the token.
        {"<row a=\"1\"\tb=\"2\" />", "<row a=\"1&quot;&#9;b=&quot;2\" />\r\n"},
        // Old files kept a quote inside a value as it was; only the outer quotes go.
        {"<a v=\"say\"hi\" w=\"x\"\" />", "<a v=\"say&quot;hi\" w=\"x\" />\r\n"},
        {"junk <a />more\r\n<b>text<c />text</b>tail\r\n", "<a />\r\n<b>\r\n<c />\r\n</b>\r\n"},
    };
    for (const auto& [text, dump] : cases)
        EXPECT_EQ(Read(text), dump) << text;
}

TEST(XMLReader, KnownReferencesDecodedOthersKept)
{
    CXMLElement root;
    ReadInto(root, "<a&amp;b v=\"&lt;&gt;&amp;&quot;&apos;&#233;&#xE9;&#X266A;&#9;\" "
                   "w=\"&unknown; & &#0; &#xD800; &#x110000; &#; &#x; &#12a; &amp\" />");
    const CXMLElement* pElement = root.FindElement("a&b");
    ASSERT_NE(pElement, nullptr);
    std::string v, w;
    pElement->GetAttribute("v", v);
    pElement->GetAttribute("w", w);
    EXPECT_EQ(v, "<>&\"'\xc3\xa9\xc3\xa9\xe2\x99\xaa\t");
    EXPECT_EQ(w, "&unknown; & &#0; &#xD800; &#x110000; &#; &#x; &#12a; &amp");
}

TEST(XMLRoundTrip, DeepNestingReadsInLinearTime)
{
    // Each level's end tag lies at the far end of the text: searching every level's content
    // for it would take minutes here, and recursion (reading, searching or freeing the tree)
    // would run out of stack.
    CXMLElement top("top");
    CXMLElement* pLeaf = &top;
    for (int i = 0; i < 200000; ++i)
        pLeaf = pLeaf->AddChild(("e" + std::to_string(i)).c_str());
    pLeaf->AddAttribute("last", "yes");
    EXPECT_EQ(top.FindElement("e199999"), pLeaf);
    const std::string text = ToText(top);
    EXPECT_EQ(Read(text), text);
}
