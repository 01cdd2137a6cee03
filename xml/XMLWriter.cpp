// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XMLWriter.h"

#include "framework/Archive.h"
#include "xml/XMLElement.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
constexpr std::size_t kFlushBytes = 64 * 1024;

bool NeedsEscape(unsigned char c)
{
    return c == '&' || c == '<' || c == '>' || c == '"' || c < 0x20 || c == 0x7F;
}
} // namespace

bool CXMLWriter::IsPlain(std::string_view text)
{
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return NeedsEscape(static_cast<unsigned char>(c)); });
}

void CXMLWriter::AppendEscaped(std::string& out, std::string_view text)
{
    std::size_t nDone = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!NeedsEscape(c))
            continue;
        out.append(text.substr(nDone, i - nDone));
        nDone = i + 1;
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += "&#";
            out += std::to_string(c);
            out += ';';
            break;
        }
    }
    out.append(text.substr(nDone));
}

void CXMLWriter::Write(const CXMLElement& element, CArchive& ar)
{
    std::string out;
    out.reserve(kFlushBytes + 1024);
    auto flushIfFull = [&]
    {
        if (out.size() >= kFlushBytes)
        {
            ar.WriteString(out);
            out.clear();
        }
    };

    // Each entry is an element whose start tag is written and its next child to write; a loop
    // instead of recursion so that no nesting depth can exhaust the stack.
    std::vector<std::pair<const CXMLElement*, const CXMLElement*>> open;
    const CXMLElement* pNext = &element;
    for (;;)
    {
        if (pNext != nullptr)
        {
            out += '<';
            AppendEscaped(out, *pNext->m_pName);
            pNext->ForEachAttribute(
                [&](std::string_view name, std::string_view value)
                {
                    out += ' ';
                    AppendEscaped(out, name);
                    out += "=\"";
                    AppendEscaped(out, value);
                    out += '"';
                });
            if (pNext->m_pFirstChild == nullptr)
                out += " />\r\n";
            else
            {
                out += ">\r\n";
                open.emplace_back(pNext, pNext->m_pFirstChild);
            }
            flushIfFull();
            pNext = nullptr;
        }
        if (open.empty())
            break;
        auto& [pOpen, pChild] = open.back();
        if (pChild != nullptr)
        {
            pNext = pChild;
            pChild = pChild->m_pNextSibling;
            continue;
        }
        out += "</";
        AppendEscaped(out, *pOpen->m_pName);
        out += ">\r\n";
        flushIfFull();
        open.pop_back();
    }
    if (!out.empty())
        ar.WriteString(out);
}
