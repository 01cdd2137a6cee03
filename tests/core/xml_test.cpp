// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Archive.h"
#include "framework/MemFile.h"
#include "xml/XMLElement.h"
#include "xml/XMLException.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// The names of the children a walk visits ("," while the position goes on, "." once it is
// null).
std::string Walk(CXMLElement& parent)
{
    std::string names;
    POSITION pos = parent.GetFirstChildPosition();
    while (pos)
    {
        CXMLElement* pChild = parent.GetNextChild(pos);
        names += pChild->GetName() + (pos ? "," : ".");
    }
    return names;
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

// The writer's text of every child: a complete, canonical picture of what was read.
std::string Dump(CXMLElement& root)
{
    std::string text;
    POSITION pos = root.GetFirstChildPosition();
    while (pos)
        text += ToText(*root.GetNextChild(pos));
    return text;
}

// What the reader made of the text, or its message.
std::string Read(const std::string& text)
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
    return Dump(root);
}

const std::string kUnmatched = "Unmatched '<' in file!";
const std::string kEndTag = "End tag found without matching start tag!";
const std::string kNoEndTag = "No end tag found!";
} // namespace

TEST(XMLElement, NamesAreExactBytesAndFindSearchesTheSubtreeInPreOrder)
{
    CXMLElement root;
    CXMLElement* pNull = root.AddChild(static_cast<const char*>(nullptr));
    CXMLElement* pDeep = root.AddChild("a")->AddChild("b")->AddChild("row");
    for (const char* pszName : {"", "Row", "row", "row "})
        root.AddChild(pszName);
    EXPECT_EQ(pNull->GetName(), "root");
    EXPECT_EQ(pNull->GetParent(), &root);
    EXPECT_EQ(Walk(root), "root,a,,Row,row,row .");
    // The top element matches itself first; only the subtree is searched.
    EXPECT_EQ(root.FindElement("root"), &root);
    EXPECT_EQ(root.FindElement("row"), pDeep);
    EXPECT_EQ(root.FindElement("ROW"), nullptr);
    EXPECT_EQ(pDeep->GetParent()->FindElement("a"), nullptr);
}

TEST(XMLElement, Attributes)
{
    CXMLElement element("e");
    element.AddAttribute("index", 1);
    element.AddAttribute("index", 2);
    element.AddAttribute("n", static_cast<const char*>(nullptr));
    // Names and values are C strings: an embedded NUL ends them.
    element.AddAttribute(std::string_view("cut\0off", 7), std::string_view("ab\0cd", 5));
    int nIndex = 0, nMissing = 42;
    std::string s1 = "x", s2, strMissing = "default";
    EXPECT_TRUE(element.GetAttribute("index", nIndex) && element.GetAttribute("n", s1) &&
                element.GetAttribute("cut", s2));
    EXPECT_EQ(std::to_string(nIndex) + "|" + s1 + "|" + s2, "1||ab"); // the first one wins
    EXPECT_FALSE(element.GetAttribute("Index", strMissing) || element.GetAttribute("b", nMissing));
    EXPECT_EQ(strMissing + std::to_string(nMissing), "default42");

    // Numbers read like atoi and saturate.
    std::string values;
    for (const char* pszText : {"12abc", "abc", "", " 7", "\t\n-3x", "+5", "- 5", "007",
                                "-2147483648", "99999999999999999999", "-99999999999999999999"})
    {
        CXMLElement number("e");
        number.AddAttribute("v", pszText);
        int nValue = 12345;
        EXPECT_TRUE(number.GetAttribute("v", nValue));
        values += std::to_string(nValue) + " ";
    }
    EXPECT_EQ(values, "12 0 0 7 -3 5 0 7 -2147483648 2147483647 -2147483648 ");
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

TEST(XMLReader, ErrorMessages)
{
    const std::pair<const char*, std::string> cases[] = {
        {"<a>\r\n", kNoEndTag},
        {"<a />\r\n<b x=\"1\"\r\n", kUnmatched},
        {"<a", kUnmatched},
        {"</a", kUnmatched}, // '>' is looked for before the '/' after '<' is judged
        {"</a>\r\n", kEndTag},
        {"<a />\r\n</a>\r\n", kEndTag},
        {"<?xml version=\"1.0\"?>\r\n<sound />\r\n", kNoEndTag},
        {"<!-- saved -->\r\n<sound />\r\n", kNoEndTag},
        {"<a>\r\n</A>\r\n", kNoEndTag},
        {"<a>\r\n</a >\r\n", kNoEndTag},
        // A start tag broken over two lines runs together into one name.
        {"<pattern\r\nname=\"x\">\r\n<row />\r\n</pattern>\r\n", kNoEndTag},
        // The first "</a>" closes the outer element, leaving the inner one open: a same-named
        // descendant is the one shape the writer makes that cannot be read.
        {"<a>\r\n<a>\r\n</a>\r\n</a>\r\n", kNoEndTag},
        {"<a>\r\n<b>\r\n</a>\r\n", kNoEndTag},
        {"<a>\r\n</b>\r\n</a>\r\n", kEndTag},
        {"<a>\r\n<b\r\n</a>\r\n", kUnmatched},
        {"<s>\r\n<m>\r\n<p>\r\n<r x=1 />\r\n<r\r\n</p>\r\n</m>\r\n</s>\r\n", kUnmatched},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(Read(text), message) << text;

    // What was read before the error stays.
    CXMLElement root;
    EXPECT_THROW(ReadInto(root, "<a />\r\n<b x=\"1\">\r\n<c y=\"2\" />\r\n</d>\r\n</b>\r\n"),
                 CXMLException);
    EXPECT_EQ(Dump(root), "<a />\r\n<b x=\"1\">\r\n<c y=\"2\" />\r\n</b>\r\n");
}

TEST(XMLReader, Leniencies)
{
    const std::string canonical = "<sound version=\"1\">\r\n<machine index=\"0\">\r\n"
                                  "<row note=\"60\" vol=\"3\" />\r\n<row />\r\n</machine>\r\n"
                                  "</sound>\r\n<next />\r\n";
    const std::pair<const char*, std::string> cases[] = {
        {"", ""},
        {"\r\n\r\n", ""},
        {"just text\r\n> and a bracket\r\n", ""},
        {canonical.c_str(), canonical},
        // Indentation, LF or CR LF line ends, everything on one line, an end tag split.
        {"<sound version=\"1\">\n  <machine index=\"0\">\n\t\t<row note=\"60\" vol=\"3\"/>\n"
         "\t\t<row/>   \r\n  </machine>\n</sound>\n   <next />",
         canonical},
        {"<sound version=\"1\"><machine index=\"0\"><row note=\"60\" vol=\"3\" /><row />"
         "</machine></sou\r\nnd><next />",
         canonical},
        {"<a/>", "<a />\r\n"},
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

    // Reading appends after the children already there.
    CXMLElement root;
    root.AddChild("first");
    ReadInto(root, "<second />\r\n");
    ReadInto(root, "<third />\r\n");
    EXPECT_EQ(Dump(root), "<first />\r\n<second />\r\n<third />\r\n");
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
