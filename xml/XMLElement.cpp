// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XMLElement.h"

#include "framework/Archive.h"
#include "xml/XMLReader.h"
#include "xml/XMLWriter.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <memory>

namespace
{
std::string_view UpToNul(std::string_view text)
{
    const std::size_t nNul = text.find('\0');
    return nNul == std::string_view::npos ? text : text.substr(0, nNul);
}

std::string_view OrEmpty(const char* psz)
{
    return psz == nullptr ? std::string_view() : std::string_view(psz);
}

int AtoiSaturating(const char* p)
{
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool bNegative = false;
    if (*p == '+' || *p == '-')
        bNegative = *p++ == '-';
    long long nValue = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
    {
        nValue = nValue * 10 + (*p - '0');
        if (nValue > static_cast<long long>(INT_MAX) + 1)
            nValue = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative)
        return nValue > INT_MAX ? INT_MIN : -static_cast<int>(nValue);
    return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue);
}
} // namespace

CXMLElement::CXMLElement(const char* pszName) : m_strName(pszName == nullptr ? "root" : pszName) {}

CXMLElement::CXMLElement(std::string_view name) : m_strName(UpToNul(name)) {}

CXMLElement::~CXMLElement()
{
    // Unlinks the subtree level by level, so a deeply nested file cannot exhaust the stack.
    std::vector<CXMLElement*> pending = std::move(m_children);
    while (!pending.empty())
    {
        CXMLElement* pElement = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), pElement->m_children.begin(), pElement->m_children.end());
        pElement->m_children.clear();
        delete pElement;
    }
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
    auto pChild = std::make_unique<CXMLElement>();
    pChild->m_strName.assign(name);
    pChild->m_pParent = this;
    m_children.push_back(pChild.get());
    return pChild.release();
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
    // Most elements carry a few short attributes: one block for all of them.
    const std::size_t nNeeded = m_attributes.size() + name.size() + value.size() + 2;
    if (nNeeded > m_attributes.capacity())
        m_attributes.reserve(std::max({nNeeded, 2 * m_attributes.capacity(), std::size_t{64}}));
    const std::size_t nOld = m_attributes.size();
    m_attributes.resize(nNeeded);
    char* p = m_attributes.data() + nOld;
    name.copy(p, name.size());
    p[name.size()] = '\0';
    p += name.size() + 1;
    value.copy(p, value.size());
    p[value.size()] = '\0';
}

void CXMLElement::AddAttribute(const char* pszName, int nValue)
{
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, nValue);
    AppendAttribute(OrEmpty(pszName), std::string_view(text, result.ptr - text));
}

bool CXMLElement::GetAttribute(const char* pszName, std::string& strValue) const
{
    const std::string_view name = OrEmpty(pszName);
    const char* p = m_attributes.data();
    const char* const pEnd = p + m_attributes.size();
    while (p < pEnd)
    {
        const std::string_view recordName(p);
        const std::string_view value(p + recordName.size() + 1);
        if (recordName == name)
        {
            strValue.assign(value);
            return true;
        }
        p = value.data() + value.size() + 1;
    }
    return false;
}

bool CXMLElement::GetAttribute(const char* pszName, int& nValue) const
{
    std::string strValue;
    if (!GetAttribute(pszName, strValue))
        return false;
    nValue = AtoiSaturating(strValue.c_str());
    return true;
}

POSITION CXMLElement::GetFirstChildPosition() const
{
    return m_children.empty() ? POSITION() : POSITION(std::size_t{0});
}

CXMLElement* CXMLElement::GetNextChild(POSITION& pos, const char* pszName)
{
    if (!pos || pos.m_nIndexPlusOne > m_children.size())
    {
        pos = nullptr;
        return nullptr;
    }
    std::size_t nIndex = pos.m_nIndexPlusOne - 1;
    if (pszName == nullptr)
    {
        pos = nIndex + 1 < m_children.size() ? POSITION(nIndex + 1) : POSITION();
        return m_children[nIndex];
    }
    for (; nIndex < m_children.size(); ++nIndex)
    {
        if (m_children[nIndex]->m_strName == pszName)
        {
            pos = nIndex + 1 < m_children.size() ? POSITION(nIndex + 1) : POSITION();
            return m_children[nIndex];
        }
    }
    pos = nullptr;
    return nullptr;
}

const CXMLElement* CXMLElement::GetNextChild(POSITION& pos, const char* pszName) const
{
    return const_cast<CXMLElement*>(this)->GetNextChild(pos, pszName);
}

CXMLElement* CXMLElement::FindElement(const char* pszName)
{
    const std::string_view name = OrEmpty(pszName);
    // An explicit stack: pushing children last to first pops them in list order (pre-order).
    std::vector<CXMLElement*> pending{this};
    while (!pending.empty())
    {
        CXMLElement* pElement = pending.back();
        pending.pop_back();
        if (pElement->m_strName == name)
            return pElement;
        pending.insert(pending.end(), pElement->m_children.rbegin(), pElement->m_children.rend());
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
