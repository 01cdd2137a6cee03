// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XMLElement.h"

#include "framework/Archive.h"
#include "xml/XMLArena.h"
#include "xml/XMLReader.h"
#include "xml/XMLWriter.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

namespace
{
std::string_view OrEmpty(const char* psz)
{
    return psz == nullptr ? std::string_view() : std::string_view(psz);
}

} // namespace

int CXMLElement::ToInt(std::string_view text)
{
    // Nearly every value read is a few plain digits.
    if (!text.empty() && text.size() <= 9)
    {
        int nDigits = 0;
        std::size_t n = 0;
        for (; n < text.size() && static_cast<unsigned char>(text[n] - '0') <= 9; ++n)
            nDigits = nDigits * 10 + (text[n] - '0');
        if (n == text.size())
            return nDigits;
    }
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        bNegative = text[i++] == '-';
    long long nValue = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    {
        nValue = nValue * 10 + (text[i] - '0');
        if (nValue > static_cast<long long>(INT_MAX) + 1)
            nValue = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative)
        return nValue > INT_MAX ? INT_MIN : -static_cast<int>(nValue);
    return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue);
}

CXMLElement::CXMLElement(const char* pszName)
    : m_pArena(new CXMLArena), m_pName(m_pArena->Intern(pszName == nullptr ? "root" : pszName))
{
}

CXMLElement::CXMLElement(std::string_view name)
    : m_pArena(new CXMLArena), m_pName(m_pArena->Intern(UpToNul(name)))
{
}

CXMLElement::CXMLElement(CXMLArena* pArena, CXMLElement* pParent, const std::string* pName)
    : m_pArena(pArena), m_pName(pName), m_pParent(pParent)
{
}

CXMLElement::~CXMLElement()
{
    // Only the element the caller made owns the arena; the others live and die with it.
    if (m_pParent == nullptr)
        delete m_pArena;
}

CXMLElement* CXMLElement::AddChild(const char* pszName)
{
    return AppendChild(pszName == nullptr ? std::string_view("root") : std::string_view(pszName));
}

CXMLElement* CXMLElement::AddChild(std::string_view name)
{
    return AppendChild(UpToNul(name));
}

CXMLElement* CXMLElement::AppendChild(std::string_view name)
{
    const std::string* pName = m_pArena->Intern(name);
    auto* pChild = new (m_pArena->AllocateObject(sizeof(CXMLElement), alignof(CXMLElement)))
        CXMLElement(m_pArena, this, pName);
    if (m_pLastChild == nullptr)
        m_pFirstChild = pChild;
    else
        m_pLastChild->m_pNextSibling = pChild;
    m_pLastChild = pChild;
    ++m_nChildCount;
    return pChild;
}

void CXMLElement::AddAttribute(const char* pszName, const char* pszValue)
{
    AppendAttribute(OrEmpty(pszName), OrEmpty(pszValue));
}

void CXMLElement::AddAttribute(std::string_view name, std::string_view value)
{
    AppendAttribute(UpToNul(name), UpToNul(value));
}

void CXMLElement::AppendAttribute(std::string_view name, std::string_view value)
{
    const std::size_t nRecord = name.size() + value.size() + 2;
    if (nRecord > UINT32_MAX - m_nAttributeBytes)
        throw std::length_error("attributes of one element exceed 4 GiB");
    char* pBlock = m_pArena->GrowText(const_cast<char*>(m_pAttributes), m_nAttributeBytes, nRecord);
    char* p = pBlock + m_nAttributeBytes;
    name.copy(p, name.size());
    p[name.size()] = '\0';
    p += name.size() + 1;
    value.copy(p, value.size());
    p[value.size()] = '\0';
    m_pAttributes = pBlock;
    m_nAttributeBytes += static_cast<std::uint32_t>(nRecord);
}

void CXMLElement::AddAttribute(const char* pszName, int nValue)
{
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, nValue);
    AppendAttribute(OrEmpty(pszName), std::string_view(text, result.ptr - text));
}

const char* CXMLElement::FindValue(const char* pszName) const
{
    const std::string_view name = OrEmpty(pszName);
    const char* p = m_pAttributes;
    const char* const pEnd = p + m_nAttributeBytes;
    while (p < pEnd)
    {
        const std::string_view recordName(p);
        const char* pValue = p + recordName.size() + 1;
        if (recordName == name)
            return pValue;
        p = pValue + std::strlen(pValue) + 1;
    }
    return nullptr;
}

bool CXMLElement::GetAttribute(const char* pszName, std::string& strValue) const
{
    const char* pValue = FindValue(pszName);
    if (pValue == nullptr)
        return false;
    strValue.assign(pValue);
    return true;
}

bool CXMLElement::GetAttribute(const char* pszName, int& nValue) const
{
    const char* pValue = FindValue(pszName);
    if (pValue == nullptr)
        return false;
    nValue = ToInt(pValue);
    return true;
}

POSITION CXMLElement::GetFirstChildPosition() const
{
    return POSITION(m_pFirstChild);
}

CXMLElement* CXMLElement::GetNextChild(POSITION& pos, const char* pszName)
{
    auto* pChild = const_cast<CXMLElement*>(pos.m_pNext);
    if (pChild == nullptr || pChild->m_pParent != this)
    {
        pos = nullptr;
        return nullptr;
    }
    if (pszName != nullptr)
    {
        const std::string_view name(pszName);
        while (pChild != nullptr && *pChild->m_pName != name)
            pChild = pChild->m_pNextSibling;
    }
    pos = POSITION(pChild == nullptr ? nullptr : pChild->m_pNextSibling);
    return pChild;
}

const CXMLElement* CXMLElement::GetNextChild(POSITION& pos, const char* pszName) const
{
    return const_cast<CXMLElement*>(this)->GetNextChild(pos, pszName);
}

CXMLElement* CXMLElement::FindElement(const char* pszName)
{
    const std::string_view name = OrEmpty(pszName);
    // Pre-order along the links, without a stack: down to the first child, else on to the
    // next sibling of the nearest element (this one excluded) that has one.
    CXMLElement* pElement = this;
    while (pElement != nullptr)
    {
        if (*pElement->m_pName == name)
            return pElement;
        if (pElement->m_pFirstChild != nullptr)
        {
            pElement = pElement->m_pFirstChild;
            continue;
        }
        while (pElement != this && pElement->m_pNextSibling == nullptr)
            pElement = pElement->m_pParent;
        pElement = pElement == this ? nullptr : pElement->m_pNextSibling;
    }
    return nullptr;
}

const CXMLElement* CXMLElement::FindElement(const char* pszName) const
{
    return const_cast<CXMLElement*>(this)->FindElement(pszName);
}

void CXMLElement::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        CXMLWriter::Write(*this, ar);
    else
        CXMLReader::Read(*this, ar);
}
