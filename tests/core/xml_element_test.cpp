#include "xml/XMLElement.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace
{
// The value of the int lookup for one attribute text.
int IntOf(const char* pszText)
{
    CXMLElement element("e");
    element.AddAttribute("v", pszText);
    int nValue = 12345;
    EXPECT_TRUE(element.GetAttribute("v", nValue));
    return nValue;
}
} // namespace

TEST(XMLElementNames, NullGivesRootEmptyStaysEmpty)
{
    CXMLElement root;
    EXPECT_EQ(root.GetName(), "root");
    EXPECT_EQ(root.GetParent(), nullptr);

    CXMLElement* pNull = root.AddChild(static_cast<const char*>(nullptr));
    CXMLElement* pEmpty = root.AddChild("");
    EXPECT_EQ(pNull->GetName(), "root");
    EXPECT_EQ(pEmpty->GetName(), "");
    EXPECT_EQ(pNull->GetParent(), &root);
    EXPECT_EQ(root.FindElement(""), pEmpty);
    // The top element matches itself before any child of the same name.
    EXPECT_EQ(root.FindElement("root"), &root);
}

TEST(XMLElementNames, ComparisonsAreExactBytes)
{
    CXMLElement root;
    root.AddChild("Row");
    CXMLElement* pRow = root.AddChild("row");
    root.AddChild("row ");
    POSITION pos = root.GetFirstChildPosition();
    EXPECT_EQ(root.GetNextChild(pos, "row"), pRow);
    EXPECT_EQ(root.FindElement("row"), pRow);
    EXPECT_EQ(root.FindElement("ROW"), nullptr);

    pRow->AddAttribute("Index", 1);
    int nValue = -7;
    EXPECT_FALSE(pRow->GetAttribute("index", nValue));
    EXPECT_FALSE(pRow->GetAttribute("Index ", nValue));
    EXPECT_EQ(nValue, -7);
}

TEST(XMLElementAttributes, DuplicatesKeptAndFirstWins)
{
    CXMLElement element("e");
    element.AddAttribute("index", 1);
    element.AddAttribute("index", 2);
    element.AddAttribute("name", "Intro bass");
    int nIndex = 0;
    EXPECT_TRUE(element.GetAttribute("index", nIndex));
    EXPECT_EQ(nIndex, 1);
    std::string strName;
    EXPECT_TRUE(element.GetAttribute("name", strName));
    EXPECT_EQ(strName, "Intro bass");

    // A missing attribute leaves a preset default alone.
    std::string strMissing = "default";
    int nMissing = 42;
    EXPECT_FALSE(element.GetAttribute("b", strMissing));
    EXPECT_FALSE(element.GetAttribute("b", nMissing));
    EXPECT_EQ(strMissing, "default");
    EXPECT_EQ(nMissing, 42);
}

TEST(XMLElementAttributes, IntLookupReadsLikeAtoi)
{
    EXPECT_EQ(IntOf("12abc"), 12);
    EXPECT_EQ(IntOf("abc"), 0);
    EXPECT_EQ(IntOf("off"), 0);
    EXPECT_EQ(IntOf(""), 0);
    EXPECT_EQ(IntOf(" 7"), 7);
    EXPECT_EQ(IntOf("\t\n-3x"), -3);
    EXPECT_EQ(IntOf("+5"), 5);
    EXPECT_EQ(IntOf("- 5"), 0);
    EXPECT_EQ(IntOf("007"), 7);
    EXPECT_EQ(IntOf("-2147483648"), INT_MIN);
    // Out of range saturates instead of overflowing.
    EXPECT_EQ(IntOf("99999999999999999999"), INT_MAX);
    EXPECT_EQ(IntOf("-99999999999999999999"), INT_MIN);
}

TEST(XMLElementAttributes, NullAndEmbeddedNulCountAsCStrings)
{
    CXMLElement element("e");
    element.AddAttribute("n", static_cast<const char*>(nullptr));
    element.AddAttribute(std::string_view("cut\0off", 7), std::string_view("ab\0cd", 5));
    element.AddAttribute("after", "still found");
    std::string strValue = "x";
    EXPECT_TRUE(element.GetAttribute("n", strValue));
    EXPECT_EQ(strValue, "");
    EXPECT_TRUE(element.GetAttribute("cut", strValue));
    EXPECT_EQ(strValue, "ab");
    EXPECT_TRUE(element.GetAttribute("after", strValue));
    EXPECT_EQ(strValue, "still found");
}

TEST(XMLElementFind, PreOrderOverTheSubtree)
{
    CXMLElement root("top");
    CXMLElement* pA = root.AddChild("a");
    CXMLElement* pDeep = pA->AddChild("b")->AddChild("c")->AddChild("hit");
    CXMLElement* pShallow = root.AddChild("hit");
    CXMLElement* pSelf = root.AddChild("self");
    CXMLElement* pSelfChild = pSelf->AddChild("self");

    EXPECT_EQ(root.FindElement("hit"), pDeep);
    EXPECT_EQ(root.FindElement("c"), pDeep->GetParent());
    EXPECT_EQ(pSelf->FindElement("self"), pSelf);
    EXPECT_EQ(pSelfChild->FindElement("self"), pSelfChild);
    // Only the subtree is searched, never siblings or ancestors.
    EXPECT_EQ(pA->FindElement("self"), nullptr);
    EXPECT_EQ(pShallow->FindElement("top"), nullptr);
    EXPECT_EQ(root.FindElement("missing"), nullptr);
}

TEST(XMLElementChildren, NamedWalkSkipsOthersAndEndsNull)
{
    CXMLElement root;
    CXMLElement* pRow1 = root.AddChild("row");
    root.AddChild("name");
    CXMLElement* pRow2 = root.AddChild("row");
    root.AddChild("other");

    POSITION pos = root.GetFirstChildPosition();
    ASSERT_TRUE(pos);
    EXPECT_EQ(root.GetNextChild(pos, "row"), pRow1);
    EXPECT_TRUE(pos);
    EXPECT_EQ(root.GetNextChild(pos, "row"), pRow2);
    EXPECT_TRUE(pos); // "other" is still ahead
    EXPECT_EQ(root.GetNextChild(pos, "row"), nullptr);
    EXPECT_EQ(pos, nullptr);
    // A finished walk stays finished.
    EXPECT_EQ(root.GetNextChild(pos, "row"), nullptr);
    EXPECT_EQ(root.GetNextChild(pos), nullptr);
    EXPECT_FALSE(pos);

    // A match on the last child leaves a null position.
    pos = root.GetFirstChildPosition();
    EXPECT_EQ(root.GetNextChild(pos, "other")->GetName(), "other");
    EXPECT_EQ(pos, nullptr);
}

TEST(XMLElementChildren, UnnamedWalkVisitsAllInOrder)
{
    CXMLElement empty;
    EXPECT_FALSE(empty.GetFirstChildPosition());

    CXMLElement root;
    for (const char* pszName : {"x", "y", "z"})
        root.AddChild(pszName);
    std::string strNames;
    POSITION pos = root.GetFirstChildPosition();
    while (pos)
        strNames += root.GetNextChild(pos)->GetName();
    EXPECT_EQ(strNames, "xyz");

    // Positions of one element are meaningless to another with fewer children.
    pos = root.GetFirstChildPosition();
    root.GetNextChild(pos);
    root.GetNextChild(pos);
    CXMLElement small;
    small.AddChild("only");
    EXPECT_EQ(small.GetNextChild(pos), nullptr);
    EXPECT_FALSE(pos);
}

TEST(XMLElementOwnership, DeepAndWideTreesAreFreedWithoutRecursion)
{
    // Depth far beyond what a recursive destructor or search could take on the stack.
    auto pRoot = std::make_unique<CXMLElement>("top");
    CXMLElement* pLeaf = pRoot.get();
    for (int i = 0; i < 1000000; ++i)
        pLeaf = pLeaf->AddChild("n");
    pLeaf->AddChild("bottom");
    EXPECT_EQ(pRoot->FindElement("bottom")->GetParent(), pLeaf);
    pRoot.reset();

    // Run under the sanitizer build, a leaked element or string fails this test.
    CXMLElement wide("top");
    for (int i = 0; i < 1000; ++i)
    {
        CXMLElement* pChild = wide.AddChild("row");
        pChild->AddAttribute("a long attribute name that is not small", "and a long value too");
        pChild->AddChild("grandchild")->AddAttribute("k", i);
    }
    EXPECT_EQ(wide.GetChildCount(), 1000u);
}
