// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XMLElement.h"

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
