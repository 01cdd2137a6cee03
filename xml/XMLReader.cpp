// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XMLReader.h"

#include "framework/Archive.h"
#include "framework/TextCodec.h"
#include "xml/XMLElement.h"
#include "xml/XMLException.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <unordered_map>
#include <vector>

// The reader is line based: each line is trimmed of blanks and CRs and appended to a pending
// text. A start tag is matched with the first occurrence of its end tag in that text (not by
// counting nesting), and the content between them is then read the same way as one line.
//
// All searches run forward only: text before a '<' that holds none is dropped at once, a
// search that needs more input resumes where it stopped, and nested content is read in place
// from an explicit stack rather than copied into a new reader per level.

// The element's unchecked appends, for names and values already known to hold no NUL.
struct XMLReaderAccess
{
    static CXMLElement* AppendChild(CXMLElement& parent, std::string_view name)
    {
        return parent.AppendChild(name);
    }
    static void AppendAttribute(CXMLElement& element, std::string_view name, std::string_view value)
    {
        element.AppendAttribute(name, value);
    }
};

namespace
{
constexpr std::size_t npos = std::string_view::npos;

std::string_view Trim(std::string_view text, bool (*isTrimmed)(char))
{
    std::size_t nFirst = 0;
    std::size_t nEnd = text.size();
    while (nFirst < nEnd && isTrimmed(text[nFirst]))
        ++nFirst;
    while (nEnd > nFirst && isTrimmed(text[nEnd - 1]))
        --nEnd;
    return text.substr(nFirst, nEnd - nFirst);
}

bool IsTagSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsLineSpace(char c)
{
    return c == ' ' || c == '\r';
}

std::size_t FindChar(std::string_view text, char c, std::size_t nFrom, std::size_t nEnd)
{
    if (nFrom >= nEnd)
        return npos;
    const void* p = std::memchr(text.data() + nFrom, c, nEnd - nFrom);
    return p == nullptr ? npos : static_cast<const char*>(p) - text.data();
}

// Appends what the reference between '&' and ';' stands for; false when it is none we know.
bool AppendReference(std::string& out, std::string_view ref)
{
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [name, c] : kNamed)
    {
        if (ref == name)
        {
            out += c;
            return true;
        }
    }
    if (ref.size() < 2 || ref[0] != '#')
        return false;
    const bool bHex = ref[1] == 'x' || ref[1] == 'X';
    const std::string_view digits = ref.substr(bHex ? 2 : 1);
    if (digits.empty())
        return false;
    unsigned long cp = 0;
    for (const char c : digits)
    {
        int nDigit;
        if (c >= '0' && c <= '9')
            nDigit = c - '0';
        else if (bHex && c >= 'a' && c <= 'f')
            nDigit = c - 'a' + 10;
        else if (bHex && c >= 'A' && c <= 'F')
            nDigit = c - 'A' + 10;
        else
            return false;
        cp = cp * (bHex ? 16 : 10) + nDigit;
        if (cp > 0x10FFFF)
            return false;
    }
    // NUL would cut the string short; surrogates are not characters.
    if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    AppendUtf8(out, static_cast<std::uint32_t>(cp));
    return true;
}

std::string_view Decode(std::string_view text, std::string& scratch)
{
    return CXMLReader::DecodeReferences(text, scratch);
}
} // namespace

std::string_view CXMLReader::DecodeReferences(std::string_view text, std::string& scratch)
{
    std::size_t nAmp = text.find('&');
    if (nAmp == npos)
        return text;
    scratch.clear();
    std::size_t nDone = 0;
    while (nAmp != npos)
    {
        // The longest reference we know is "&#x10FFFF;" or a decimal one with leading zeros;
        // a bounded look-ahead keeps a text full of '&' linear.
        const std::size_t nSemi = text.substr(nAmp + 1, 16).find(';');
        if (nSemi != npos)
        {
            std::string_view ref = text.substr(nAmp + 1, nSemi);
            scratch.append(text.substr(nDone, nAmp - nDone));
            if (AppendReference(scratch, ref))
            {
                nDone = nAmp + nSemi + 2;
                nAmp = text.find('&', nDone);
                continue;
            }
            scratch += '&';
            nDone = nAmp + 1;
        }
        nAmp = text.find('&', nAmp + 1);
    }
    scratch.append(text.substr(nDone));
    return scratch;
}

namespace
{
struct Tag
{
    CXMLElement* pChild;
    bool bSelfClosing;
    std::string_view rawName; // as written, for matching the end tag
};

// Creates the child for the tag between text[nLt] == '<' and text[nGt] == '>'.
Tag ReadTag(CXMLElement& parent, std::string_view text, std::size_t nLt, std::size_t nGt,
            std::string& scratch)
{
    const bool bSelfClosing = text[nGt - 1] == '/';
    const std::size_t nTagEnd = bSelfClosing ? nGt - 1 : nGt;
    const std::string_view tag = Trim(text.substr(nLt + 1, nTagEnd - nLt - 1), IsTagSpace);

    // One look at the whole tag spares the common tag a search per name and value.
    const bool bPlain = tag.find('&') == npos && tag.find('\0') == npos;
    const std::size_t nBlank = tag.find(' ');
    const std::string_view rawName =
        bPlain ? tag.substr(0, nBlank) : UpToNul(tag.substr(0, nBlank));
    CXMLElement* pChild = bPlain ? XMLReaderAccess::AppendChild(parent, rawName)
                                 : parent.AddChild(Decode(rawName, scratch));
    if (nBlank == npos)
        return {pChild, bSelfClosing, rawName};

    // Tokens are cut at blanks, except inside a value that opens with a quote right after the
    // token's first '='; such a value ends at a quote followed by a blank or the tag's end.
    const std::string_view rest = tag.substr(nBlank + 1);
    std::string valueScratch;
    std::size_t i = 0;
    while (i < rest.size())
    {
        if (rest[i] == ' ')
        {
            ++i;
            continue;
        }
        const std::size_t nStart = i;
        std::size_t nEq = npos;
        bool bQuoted = false;
        for (; i < rest.size(); ++i)
        {
            const char c = rest[i];
            if (bQuoted)
            {
                if (c == '"' && (i + 1 == rest.size() || rest[i + 1] == ' '))
                    bQuoted = false;
                continue;
            }
            if (c == ' ')
                break;
            if (c == '=' && nEq == npos)
            {
                nEq = i;
                if (i + 1 < rest.size() && rest[i + 1] == '"')
                {
                    bQuoted = true;
                    ++i;
                }
            }
        }
        if (nEq == npos)
            continue;
        const std::string_view name = rest.substr(nStart, nEq - nStart);
        std::string_view value = rest.substr(nEq + 1, i - nEq - 1);
        while (!value.empty() && value.front() == '"')
            value.remove_prefix(1);
        while (!value.empty() && value.back() == '"')
            value.remove_suffix(1);
        if (bPlain)
            XMLReaderAccess::AppendAttribute(*pChild, name, value);
        else
            pChild->AddAttribute(Decode(name, scratch), Decode(value, valueScratch));
    }
    return {pChild, bSelfClosing, rawName};
}

// Where each end tag stands in a complete text. An element's end tag is the first occurrence
// of its text after the start tag; searching the content of every level for it would cost
// time in proportion to depth times size, which a deeply nested file turns into a hang.
class CEndTagIndex
{
public:
    CEndTagIndex(std::string_view text, std::size_t nBegin, std::size_t nEnd)
    {
        std::size_t nGt = 0; // the first '>' at or after the name of the current "</"
        for (std::size_t nLt = FindChar(text, '<', nBegin, nEnd); nLt != npos;
             nLt = FindChar(text, '<', nLt + 1, nEnd))
        {
            if (nLt + 1 == nEnd || text[nLt + 1] != '/')
                continue;
            // A name holds no '>', so "</" starts an end tag of exactly one name: the text up
            // to the next '>'. That '>' serves every "</" before it, which keeps this linear.
            if (nGt < nLt + 2)
                nGt = FindChar(text, '>', nLt + 2, nEnd);
            if (nGt == npos)
                break;
            m_positions[text.substr(nLt + 2, nGt - nLt - 2)].push_back(nLt);
        }
    }

    // Position of the first "</name>" that starts at or after nFrom and ends by nEnd.
    std::size_t Find(std::string_view name, std::size_t nFrom, std::size_t nEnd) const
    {
        const auto found = m_positions.find(name);
        if (found == m_positions.end())
            return npos;
        const auto it = std::lower_bound(found->second.begin(), found->second.end(), nFrom);
        if (it == found->second.end() || *it + name.size() + 3 > nEnd)
            return npos;
        return *it;
    }

private:
    std::unordered_map<std::string_view, std::vector<std::size_t>> m_positions;
};

// Where each line of the pending text starts, so that an error can name its line.
class CPendingLines
{
public:
    // The next line of the file starts at nOffset of the pending text.
    void Add(std::size_t nOffset) { m_starts.push_back(m_nDropped + nOffset); }
    // The first nCount bytes of the pending text are gone.
    void Drop(std::size_t nCount)
    {
        m_nDropped += nCount;
        while (m_starts.size() > 1 && m_starts[1] <= m_nDropped)
        {
            m_starts.pop_front();
            ++m_nFirstLine;
        }
    }
    // The number, from 1, of the line that holds offset nPos of the pending text.
    std::size_t LineAt(std::size_t nPos) const
    {
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), m_nDropped + nPos);
        return m_nFirstLine + static_cast<std::size_t>(it - m_starts.begin()) - 1;
    }

private:
    std::deque<std::size_t> m_starts;
    std::size_t m_nDropped = 0;
    std::size_t m_nFirstLine = 1;
};

// The name of the end tag "</name>" that stands at text[nLt].
std::string EndTagName(std::string_view text, std::size_t nLt, std::size_t nGt)
{
    return std::string(Trim(text.substr(nLt + 2, nGt - nLt - 2), IsTagSpace));
}

struct Frame
{
    CXMLElement* pElement;
    std::size_t nPos; // next unread byte of the element's content
    std::size_t nEnd;
};

// Reads text[nBegin, nEnd) into pElement; the text is complete, so whatever the reader would
// wait for in more input is an error at once.
void ReadContent(CXMLElement& element, std::string_view text, std::size_t nBegin, std::size_t nEnd,
                 std::string& scratch, const CPendingLines& lines)
{
    std::vector<Frame> frames{{&element, nBegin, nEnd}};
    std::optional<CEndTagIndex> endTags; // built when the first element with content comes
    while (!frames.empty())
    {
        Frame& frame = frames.back();
        const std::size_t nLt = FindChar(text, '<', frame.nPos, frame.nEnd);
        if (nLt == npos)
        {
            frames.pop_back();
            continue;
        }
        const std::size_t nGt = FindChar(text, '>', nLt + 1, frame.nEnd);
        if (nGt == npos)
            throw CXMLException(CXMLReader::kUnmatchedLt, lines.LineAt(nLt));
        if (text[nLt + 1] == '/')
            throw CXMLException(CXMLReader::kEndTagWithoutStart, lines.LineAt(nLt),
                                EndTagName(text, nLt, nGt));
        const Tag tag = ReadTag(*frame.pElement, text, nLt, nGt, scratch);
        if (tag.bSelfClosing)
        {
            frame.nPos = nGt + 1;
            continue;
        }
        if (!endTags)
            endTags.emplace(text, nBegin, nEnd);
        const std::size_t nEndTag = endTags->Find(tag.rawName, nLt + 1, frame.nEnd);
        if (nEndTag == npos)
            throw CXMLException(CXMLReader::kNoEndTag, lines.LineAt(nLt),
                                std::string(tag.rawName));
        frame.nPos = nEndTag + tag.rawName.size() + 3;
        std::size_t nContent = nGt + 1;
        std::size_t nContentEnd = std::max(nEndTag, nContent);
        // The content is read as a line of its own, which is trimmed like every line.
        while (nContent < nContentEnd && IsLineSpace(text[nContent]))
            ++nContent;
        while (nContentEnd > nContent && IsLineSpace(text[nContentEnd - 1]))
            --nContentEnd;
        if (nContent < nContentEnd)
            frames.push_back({tag.pChild, nContent, nContentEnd}); // invalidates frame
    }
}

// Lines of a loading archive, read in large blocks. A line ends at LF (a CR before it goes
// with the cleaning), and the text after the last LF is a line if it is not empty.
class CLineSource
{
public:
    explicit CLineSource(CArchive& ar) : m_ar(ar) {}

    // Appends the next line, without blanks and CRs at its ends, to text; false at the end.
    bool AppendCleanLine(std::string& text)
    {
        const std::size_t nLineStart = text.size();
        bool bAny = false;
        for (;;)
        {
            if (m_nPos == m_block.size())
            {
                m_block.resize(kBlockBytes);
                m_block.resize(m_ar.Read(m_block.data(), kBlockBytes));
                m_nPos = 0;
                if (m_block.empty())
                {
                    if (!bAny)
                        return false;
                    break;
                }
            }
            bAny = true;
            const std::size_t nLf = FindChar(m_block, '\n', m_nPos, m_block.size());
            const std::size_t nEnd = nLf == npos ? m_block.size() : nLf;
            // Leading blanks of a line are skipped before they are ever copied.
            std::size_t nFrom = m_nPos;
            if (text.size() == nLineStart)
                while (nFrom < nEnd && IsLineSpace(m_block[nFrom]))
                    ++nFrom;
            text.append(m_block, nFrom, nEnd - nFrom);
            m_nPos = nLf == npos ? m_block.size() : nLf + 1;
            if (nLf != npos)
                break;
        }
        while (text.size() > nLineStart && IsLineSpace(text.back()))
            text.pop_back();
        return true;
    }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    CArchive& m_ar;
    std::string m_block;
    std::size_t m_nPos = 0;
};
} // namespace

void CXMLReader::Read(CXMLElement& element, CArchive& ar)
{
    std::string pending; // the pending text; bytes before nStart are consumed
    std::size_t nStart = 0;
    std::string scratch;
    std::string endTag;
    CLineSource source(ar);
    CPendingLines lines;
    // Most files become one top-level element, so the pending text grows to nearly the whole
    // file: taking the room at once saves copying it over and over.
    pending.reserve(
        static_cast<std::size_t>(std::min<std::uint64_t>(ar.RemainingBytes(), 1u << 28)));
    auto appendLine = [&]
    {
        const std::size_t nOffset = pending.size();
        if (!source.AppendCleanLine(pending))
            return false;
        lines.Add(nOffset);
        return true;
    };

    for (;;)
    {
        const std::size_t nLt = pending.find('<', nStart);
        if (nLt == npos)
        {
            // Nothing before a '<' is ever looked at again.
            lines.Drop(pending.size());
            pending.clear();
            nStart = 0;
            if (!appendLine())
                return;
            continue;
        }
        std::size_t nGt = pending.find('>', nLt + 1);
        while (nGt == npos)
        {
            const std::size_t nFrom = pending.size();
            if (!appendLine())
                throw CXMLException(kUnmatchedLt, lines.LineAt(nLt));
            nGt = pending.find('>', nFrom);
        }
        if (pending[nLt + 1] == '/')
            throw CXMLException(kEndTagWithoutStart, lines.LineAt(nLt),
                                EndTagName(pending, nLt, nGt));
        const Tag tag = ReadTag(element, pending, nLt, nGt, scratch);
        if (tag.bSelfClosing)
            nStart = nGt + 1;
        else
        {
            // Copied: appending lines below may move the pending text.
            endTag.assign("</").append(tag.rawName).append(">");
            std::size_t nEndTag = pending.find(endTag, nLt + 1);
            while (nEndTag == npos)
            {
                // Only the tail that could begin a match is searched again.
                const std::size_t nFrom =
                    std::max(nLt + 1, pending.size() - std::min(pending.size(), endTag.size() - 1));
                if (!appendLine())
                    throw CXMLException(kNoEndTag, lines.LineAt(nLt),
                                        endTag.substr(2, endTag.size() - 3));
                nEndTag = pending.find(endTag, nFrom);
            }
            ReadContent(*tag.pChild, pending, nGt + 1, std::max(nEndTag, nGt + 1), scratch,
                        lines);
            nStart = nEndTag + endTag.size();
        }
        // Drop consumed text once it is the larger part, so the copying stays linear.
        if (nStart * 2 >= pending.size())
        {
            lines.Drop(nStart);
            pending.erase(0, nStart);
            nStart = 0;
        }
    }
}
