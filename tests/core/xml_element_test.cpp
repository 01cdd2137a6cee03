#include "xml/XMLElement.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// The names of the children that a walk from the first position visits, for the name given.
std::string Walk(CXMLElement& parent, const char* pszName = nullptr)
{
    std::string names;
    POSITION pos = parent.GetFirstChildPosition();
    while (pos)
    {
        CXMLElement* pChild =
            pszName ? parent.GetNextChild(pos, pszName) : parent.GetNextChild(pos);
        names += pChild ? pChild->GetName() + (pos ? "," : ".") : "null";
    }
    return names;
}
} // namespace

TEST(XMLElementNames, NullGivesRootAndComparisonsAreExactBytes)
{
    CXMLElement root;
    EXPECT_EQ(root.GetName(), "root");
    EXPECT_EQ(root.GetParent(), nullptr);
    CXMLElement* pNull = root.AddChild(static_cast<const char*>(nullptr));
    CXMLElement* pEmpty = root.AddChild("");
    root.AddChild("Row");
    CXMLElement* pRow = root.AddChild("row");
    root.AddChild("row ");
    EXPECT_EQ(pNull->GetName(), "root");
    EXPECT_EQ(pNull->GetParent(), &root);
    EXPECT_EQ(root.FindElement(""), pEmpty);
    // The top element matches itself before any child of the same name.
    EXPECT_EQ(root.FindElement("root"), &root);
    EXPECT_EQ(root.FindElement("row"), pRow);
    EXPECT_EQ(root.FindElement("ROW"), nullptr);
    EXPECT_EQ(Walk(root, "row"), "row,null");

    pRow->AddAttribute("Index", 1);
    int nValue = -7;
    EXPECT_FALSE(pRow->GetAttribute("index", nValue));
    EXPECT_FALSE(pRow->GetAttribute("Index ", nValue));
    EXPECT_EQ(nValue, -7);
}

TEST(XMLElementAttributes, FirstOfDuplicatesWinsAndMissingLeavesTheDefault)
{
    CXMLElement element("e");
    element.AddAttribute("index", 1);
    element.AddAttribute("index", 2);
    element.AddAttribute("n", static_cast<const char*>(nullptr));
    // Names and values are C strings: an embedded NUL ends them.
    element.AddAttribute(std::string_view("cut\0off", 7), std::string_view("ab\0cd", 5));
    element.AddAttribute("after", "still found");
    int nIndex = 0;
    EXPECT_TRUE(element.GetAttribute("index", nIndex));
    EXPECT_EQ(nIndex, 1);
    std::string s1 = "x", s2, s3;
    EXPECT_TRUE(element.GetAttribute("n", s1) && element.GetAttribute("cut", s2) &&
                element.GetAttribute("after", s3));
    EXPECT_EQ(s1 + "|" + s2 + "|" + s3, "|ab|still found");

    std::string strMissing = "default";
    int nMissing = 42;
    EXPECT_FALSE(element.GetAttribute("b", strMissing));
    EXPECT_FALSE(element.GetAttribute("b", nMissing));
    EXPECT_EQ(strMissing, "default");
    EXPECT_EQ(nMissing, 42);
}

TEST(XMLElementAttributes, IntLookupReadsLikeAtoiAndSaturates)
{
    std::string values;
    for (const char* pszText : {"12abc", "abc", "off", "", " 7", "\t\n-3x", "+5", "- 5", "007",
                                "-2147483648", "99999999999999999999", "-99999999999999999999"})
    {
        CXMLElement element("e");
        element.AddAttribute("v", pszText);
        int nValue = 12345;
        EXPECT_TRUE(element.GetAttribute("v", nValue));
        values += std::to_string(nValue) + " ";
    }
    EXPECT_EQ(values, "12 0 0 0 7 -3 5 0 7 -2147483648 2147483647 -2147483648 ");
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

TEST(XMLElementChildren, WalksSkipOthersAndEndOnANullPosition)
{
    CXMLElement root;
    EXPECT_EQ(Walk(root), "");
    for (const char* pszName : {"row", "name", "row", "other"})
        root.AddChild(pszName);
    EXPECT_EQ(Walk(root), "row,name,row,other.");
    // After the last match "other" is still ahead: one more call ends the walk.
    EXPECT_EQ(Walk(root, "row"), "row,row,null");
    EXPECT_EQ(Walk(root, "other"), "other.");

    POSITION pos = root.GetFirstChildPosition();
    while (pos)
        root.GetNextChild(pos);
    EXPECT_EQ(root.GetNextChild(pos, "row"), nullptr); // a finished walk stays finished
    EXPECT_EQ(root.GetNextChild(pos), nullptr);
    EXPECT_FALSE(pos);
    // Positions of one element are meaningless to another with fewer children.
    pos = root.GetFirstChildPosition();
    root.GetNextChild(pos);
    root.GetNextChild(pos);
    CXMLElement small;
    small.AddChild("only");
    EXPECT_EQ(small.GetNextChild(pos), nullptr);
    EXPECT_FALSE(pos);
}

TEST(XMLElementOwnership, DeepTreesAreFreedWithoutRecursion)
{
    // Depth far beyond what a recursive destructor or search could take on the stack. Run
    // under the sanitizer build, a leaked element or string fails this test.
    auto pRoot = std::make_unique<CXMLElement>("top");
    CXMLElement* pLeaf = pRoot.get();
    for (int i = 0; i < 1000000; ++i)
        pLeaf = pLeaf->AddChild("n");
    pLeaf->AddChild("bottom")->AddAttribute("a long attribute name that is not small",
                                            "and a long value too");
    EXPECT_EQ(pRoot->FindElement("bottom")->GetParent(), pLeaf);
    pRoot.reset();
}
