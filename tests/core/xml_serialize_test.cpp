#include "framework/Archive.h"
#include "framework/MemFile.h"
#include "xml/XMLElement.h"
#include "xml/XMLException.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
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

// The writer's text of every child: a complete, canonical picture of what was read.
std::string Dump(CXMLElement& root)
{
    std::string text;
    POSITION pos = root.GetFirstChildPosition();
    while (pos)
        text += ToText(*root.GetNextChild(pos));
    return text;
}

std::string ReadDump(const std::string& text)
{
    CXMLElement root;
    ReadInto(root, text);
    return Dump(root);
}

// The reader's message for the text, or "no error".
std::string ReadError(const std::string& text)
{
    CXMLElement root;
    try
    {
        ReadInto(root, text);
    }
    catch (const CXMLException& e)
    {
        return e.m_strMessage;
    }
    return "no error";
}

std::string ValueAfterRoundTrip(const std::string& value)
{
    CXMLElement pattern("pattern");
    pattern.AddAttribute("name", value.c_str());
    pattern.AddChild("row");
    CXMLElement root;
    ReadInto(root, ToText(pattern));
    std::string result = "<missing>";
    const CXMLElement* pPattern = root.FindElement("pattern");
    if (pPattern != nullptr && pPattern->GetChildCount() == 1)
        pPattern->GetAttribute("name", result);
    return result;
}

const char* const kUnmatched = "Unmatched '<' in file!";
const char* const kEndTag = "End tag found without matching start tag!";
const char* const kNoEndTag = "No end tag found!";
} // namespace

TEST(XMLWriter, OneLinePerElementWithoutIndentation)
{
    CXMLElement item("item");
    item.AddAttribute("a", 1);
    item.AddAttribute("b", "x");
    EXPECT_EQ(ToText(item), "<item a=\"1\" b=\"x\" />\r\n");
    item.AddChild("sub");
    EXPECT_EQ(ToText(item), "<item a=\"1\" b=\"x\">\r\n<sub />\r\n</item>\r\n");

    CXMLElement sound("sound");
    CXMLElement* pMachine = sound.AddChild("machine");
    pMachine->AddAttribute("index", 0);
    pMachine->AddAttribute("index", 1);
    CXMLElement* pRow = pMachine->AddChild("row");
    pRow->AddAttribute("note", "");
    pRow->AddAttribute("vol", -1);
    pMachine->AddChild("row");
    sound.AddChild("empty");
    EXPECT_EQ(ToText(sound), "<sound>\r\n"
                             "<machine index=\"0\" index=\"1\">\r\n"
                             "<row note=\"\" vol=\"-1\" />\r\n"
                             "<row />\r\n"
                             "</machine>\r\n"
                             "<empty />\r\n"
                             "</sound>\r\n");
}

TEST(XMLWriter, EscapesSpecialAndControlCharactersOnly)
{
    CXMLElement element("a&b");
    element.AddAttribute("k<", "x&y <\"z\"> \tq\r\n\x7f caf\xc3\xa9 = /");
    EXPECT_EQ(ToText(element),
              "<a&amp;b k&lt;=\"x&amp;y &lt;&quot;z&quot;&gt; &#9;q&#13;&#10;&#127; "
              "caf\xc3\xa9 = /\" />\r\n");
}

TEST(XMLReaderErrors, MessagesAsGiven)
{
    EXPECT_EQ(ReadError("<a>\r\n"), kNoEndTag);
    EXPECT_EQ(ReadError("<a />\r\n<b x=\"1\"\r\n"), kUnmatched);
    EXPECT_EQ(ReadError("<a"), kUnmatched);
    // '>' is looked for before the '/' after '<' is judged.
    EXPECT_EQ(ReadError("</a"), kUnmatched);
    EXPECT_EQ(ReadError("</a>\r\n"), kEndTag);
    EXPECT_EQ(ReadError("<a />\r\n</a>\r\n"), kEndTag);
    EXPECT_EQ(ReadError("<?xml version=\"1.0\"?>\r\n<sound />\r\n"), kNoEndTag);
    EXPECT_EQ(ReadError("<!-- saved -->\r\n<sound />\r\n"), kNoEndTag);
    EXPECT_EQ(ReadError("<a>\r\n</A>\r\n"), kNoEndTag);
    EXPECT_EQ(ReadError("<a>\r\n</a >\r\n"), kNoEndTag);
    // A start tag broken over two lines runs together into one name.
    EXPECT_EQ(ReadError("<pattern\r\nname=\"x\">\r\n<row />\r\n</pattern>\r\n"), kNoEndTag);
}

TEST(XMLReaderErrors, NestedContentFailsWithTheSameMessages)
{
    // The first "</a>" closes the outer element, leaving the inner one open.
    EXPECT_EQ(ReadError("<a>\r\n<a>\r\n</a>\r\n</a>\r\n"), kNoEndTag);
    EXPECT_EQ(ReadError("<a>\r\n<b>\r\n</a>\r\n"), kNoEndTag);
    EXPECT_EQ(ReadError("<a>\r\n</b>\r\n</a>\r\n"), kEndTag);
    EXPECT_EQ(ReadError("<a>\r\n<b\r\n</a>\r\n"), kUnmatched);
    EXPECT_EQ(ReadError("<s>\r\n<m>\r\n<p>\r\n<r x=1 />\r\n<r\r\n</p>\r\n</m>\r\n</s>\r\n"),
              kUnmatched);
}

TEST(XMLReaderErrors, WhatWasReadBeforeTheErrorStays)
{
    CXMLElement root;
    EXPECT_THROW(ReadInto(root, "<a />\r\n<b x=\"1\">\r\n<c y=\"2\" />\r\n</d>\r\n</b>\r\n"),
                 CXMLException);
    EXPECT_EQ(Dump(root), "<a />\r\n<b x=\"1\">\r\n<c y=\"2\" />\r\n</b>\r\n");
}

TEST(XMLReaderLeniency, NothingToReadIsNoError)
{
    EXPECT_EQ(ReadDump(""), "");
    EXPECT_EQ(ReadDump("\r\n\r\n"), "");
    EXPECT_EQ(ReadDump("just text\r\n> and a bracket\r\n"), "");
}

TEST(XMLReaderLeniency, IndentationAndLineEndsDoNotMatter)
{
    const std::string canonical = "<sound version=\"1\">\r\n<machine index=\"0\">\r\n"
                                  "<row note=\"60\" vol=\"3\" />\r\n<row />\r\n</machine>\r\n"
                                  "</sound>\r\n<next />\r\n";
    EXPECT_EQ(ReadDump(canonical), canonical);
    EXPECT_EQ(ReadDump("<sound version=\"1\">\n  <machine index=\"0\">\n\t\t<row note=\"60\" "
                       "vol=\"3\"/>\n\t\t<row/>   \r\n  </machine>\n</sound>\n   <next />"),
              canonical);
    // Everything on one line, and an end tag split over two.
    EXPECT_EQ(ReadDump("<sound version=\"1\"><machine index=\"0\"><row note=\"60\" vol=\"3\" />"
                       "<row /></machine></sou\r\nnd><next />"),
              canonical);
}

TEST(XMLReaderLeniency, TagAndAttributeForms)
{
    EXPECT_EQ(ReadDump("<a/>"), "<a />\r\n");
    EXPECT_EQ(ReadDump("<>\r\n</>\r\n"), "< />\r\n");
    EXPECT_EQ(ReadDump("<row note=60 vol=\"3\"/>"), "<row note=\"60\" vol=\"3\" />\r\n");
    EXPECT_EQ(ReadDump("<row  a=\"1\"   flag =x b=\"\" c=\"\"\"/>"),
              "<row a=\"1\" =\"x\" b=\"\" c=\"\" />\r\n");
    // A tab is not a separator: it stays part of the token.
    EXPECT_EQ(ReadDump("<row a=\"1\"\tb=\"2\" />"), "<row a=\"1&quot;&#9;b=&quot;2\" />\r\n");
    // Old files kept a quote inside a value as it was; only the outer quotes go.
    EXPECT_EQ(ReadDump("<a v=\"say\"hi\" w=\"x\"\" />"), "<a v=\"say&quot;hi\" w=\"x\" />\r\n");
}

TEST(XMLReaderLeniency, TextOutsideTagsIsDropped)
{
    EXPECT_EQ(ReadDump("junk <a />more\r\n<b>text<c />text</b>tail\r\n"),
              "<a />\r\n<b>\r\n<c />\r\n</b>\r\n");
}

TEST(XMLReaderLeniency, AppendsAfterExistingChildren)
{
    CXMLElement root;
    root.AddChild("first");
    ReadInto(root, "<second />\r\n<third />\r\n");
    ReadInto(root, "<fourth />\r\n");
    EXPECT_EQ(Dump(root), "<first />\r\n<second />\r\n<third />\r\n<fourth />\r\n");
}

TEST(XMLReaderReferences, KnownOnesDecodedOthersKept)
{
    CXMLElement root;
    ReadInto(root, "<a&amp;b v=\"&lt;&gt;&amp;&quot;&apos;&#233;&#xE9;&#X266A;&#9;\" "
                   "w=\"&unknown; & &#0; &#xD800; &#x110000; &#; &#x; &#12a; &amp\" />");
    const CXMLElement* pElement = root.FindElement("a&b");
    ASSERT_NE(pElement, nullptr);
    std::string strValue;
    pElement->GetAttribute("v", strValue);
    EXPECT_EQ(strValue, "<>&\"'\xc3\xa9\xc3\xa9\xe2\x99\xaa\t");
    pElement->GetAttribute("w", strValue);
    EXPECT_EQ(strValue, "&unknown; & &#0; &#xD800; &#x110000; &#; &#x; &#12a; &amp");
}

TEST(XMLRoundTrip, ValuesComeBackWhole)
{
    for (const std::string value :
         {"Intro bass", " lead ", "  ", "\"quoted\"", "\"", "a<b>c", "</pattern>", "x&y", "&amp;",
          "tab\there", "line\r\nbreak", "caf\xc3\xa9 \xe2\x99\xaa", "/", "x/", "=", "a=b c=d",
          "say\" w=\"x", ""})
        EXPECT_EQ(ValueAfterRoundTrip(value), value);
}

TEST(XMLRoundTrip, TreeAndTextAreStable)
{
    CXMLElement sound("sound");
    CXMLElement* pSettings = sound.AddChild("settings");
    pSettings->AddAttribute("a<b", "1");
    pSettings->AddAttribute("name", "Intro bass");
    pSettings->AddAttribute("name", "second");
    for (int nMachine = 0; nMachine < 4; ++nMachine)
    {
        CXMLElement* pMachine = sound.AddChild("machine");
        pMachine->AddAttribute("index", nMachine);
        CXMLElement* pPattern = pMachine->AddChild("pattern");
        pPattern->AddAttribute("name", "P & Q \"x\"");
        for (int nRow = 0; nRow < 3000; ++nRow)
        {
            CXMLElement* pRow = pPattern->AddChild("row");
            pRow->AddAttribute("index", nRow);
            pRow->AddAttribute("note", nRow % 119);
            pRow->AddAttribute("atten", nRow % 16);
        }
        pMachine->AddChild("sequence")->AddChild("entry")->AddAttribute("pattern", "P & Q");
    }
    const std::string text = ToText(sound);
    CXMLElement root;
    ReadInto(root, text);
    ASSERT_EQ(root.GetChildCount(), 1u);
    EXPECT_EQ(Dump(root), text);

    std::string strName;
    root.FindElement("settings")->GetAttribute("name", strName);
    EXPECT_EQ(strName, "Intro bass");
    int nRows = 0;
    POSITION pos = root.FindElement("pattern")->GetFirstChildPosition();
    while (root.FindElement("pattern")->GetNextChild(pos, "row"))
        ++nRows;
    EXPECT_EQ(nRows, 3000);
}

TEST(XMLRoundTrip, DeepNestingReadsInLinearTime)
{
    // Each level's end tag lies at the far end of the text: searching every level's content
    // for it would take minutes here, and recursion would run out of stack.
    CXMLElement top("top");
    CXMLElement* pLeaf = &top;
    for (int i = 0; i < 200000; ++i)
        pLeaf = pLeaf->AddChild(("e" + std::to_string(i)).c_str());
    pLeaf->AddAttribute("last", "yes");
    const std::string text = ToText(top);
    CXMLElement root;
    ReadInto(root, text);
    const CXMLElement* pFound = root.FindElement("e199999");
    ASSERT_NE(pFound, nullptr);
    std::string strValue;
    EXPECT_TRUE(pFound->GetAttribute("last", strValue));
    EXPECT_EQ(pFound->GetParent()->GetName(), "e199998");
    EXPECT_EQ(Dump(root), text);
}

TEST(XMLRoundTrip, SameNamedDescendantIsTheOneShapeThatCannotBeRead)
{
    CXMLElement outer("group");
    outer.AddChild("group")->AddChild("leaf");
    EXPECT_EQ(ReadError(ToText(outer)), kNoEndTag);
}
