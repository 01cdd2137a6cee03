// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Object.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The text before its first NUL: names and values end there, whatever follows.
inline std::string_view UpToNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

class CArchive;
class CXMLArena;
class CXMLElement;

// Where a walk over an element's children stands. A default (null) position means "no child";
// test it with `if (pos)` or compare it with nullptr.
class POSITION
{
public:
    constexpr POSITION() = default;
    constexpr POSITION(std::nullptr_t) {}
    constexpr explicit operator bool() const { return m_pNext != nullptr; }
    friend constexpr bool operator==(POSITION, POSITION) = default;

private:
    friend class CXMLElement;
    constexpr explicit POSITION(const CXMLElement* pNext) : m_pNext(pNext) {}
    const CXMLElement* m_pNext = nullptr;
};

// A named element with ordered attributes and owned, ordered children: the in-memory form of
// a document file. Names and values are UTF-8 byte strings; a NUL byte ends them, as it
// would a C string.
class CXMLElement : public CObject
{
public:
    // A null name gives "root".
    explicit CXMLElement(const char* pszName = nullptr);
    explicit CXMLElement(std::string_view name);
    ~CXMLElement() override;
    CXMLElement(const CXMLElement&) = delete;
    CXMLElement& operator=(const CXMLElement&) = delete;

    // Appends a new child (a null name gives "root") and returns it; this element owns it.
    CXMLElement* AddChild(const char* pszName);
    CXMLElement* AddChild(std::string_view name);

    // Appends an attribute record; an earlier record of the same name stays as it is.
    // A null name or value counts as empty.
    void AddAttribute(const char* pszName, const char* pszValue);
    void AddAttribute(std::string_view name, std::string_view value);
    void AddAttribute(const char* pszName, int nValue);

    // The value of the first attribute of that name. Without one, returns false and leaves
    // the output as it was, so a preset default survives.
    bool GetAttribute(const char* pszName, std::string& strValue) const;
    // The value read by ToInt; true also for non-numbers.
    bool GetAttribute(const char* pszName, int& nValue) const;
    // A value as atoi would read it (leading white space, optional sign, digits up to the first
    // non-digit, 0 without digits), out-of-range values saturating.
    static int ToInt(std::string_view text);

    const std::string& GetName() const { return *m_pName; }

    // Null when there are no children.
    POSITION GetFirstChildPosition() const;
    // With a name: the next child of that name from the position on, the position moving past
    // it (null after the last child, and null when nothing matched). Without a name: the child
    // at the position, which then moves on; a null or foreign position gives null.
    CXMLElement* GetNextChild(POSITION& pos, const char* pszName = nullptr);
    const CXMLElement* GetNextChild(POSITION& pos, const char* pszName = nullptr) const;

    // Pre-order search of the subtree that starts with this element itself.
    CXMLElement* FindElement(const char* pszName);
    const CXMLElement* FindElement(const char* pszName) const;

    // Storing writes this element and its subtree as XML text. Loading appends the top-level
    // elements of the text as children (after any already there); throws CXMLException.
    virtual void Serialize(CArchive& ar);

    std::size_t GetChildCount() const { return m_nChildCount; }

    // Calls f(name, value) for every attribute record in order (both std::string_view).
    template <class F> void ForEachAttribute(F&& f) const
    {
        const char* p = m_pAttributes;
        const char* const pEnd = p + m_nAttributeBytes;
        while (p < pEnd)
        {
            const std::string_view name(p);
            const std::string_view value(p + name.size() + 1);
            f(name, value);
            p = value.data() + value.size() + 1;
        }
    }

private:
    friend class CXMLWriter;
    friend struct XMLReaderAccess;
    CXMLElement(CXMLArena* pArena, CXMLElement* pParent, const std::string* pName);
    // The first value of that name, NUL-terminated in place; null without one.
    const char* FindValue(const char* pszName) const;

    // The same without cutting at a NUL, for text known to hold none.
    CXMLElement* AppendChild(std::string_view name);
    void AppendAttribute(std::string_view name, std::string_view value);

    // A tree of a quarter million rows lives in one arena, owned by the element the caller
    // constructed (the one without a parent): elements in blocks, names interned, and the
    // attribute records of each element packed as "name\0value\0" pairs in a text block.
    CXMLArena* m_pArena;
    const std::string* m_pName;
    const char* m_pAttributes = nullptr;
    std::uint32_t m_nAttributeBytes = 0;
    std::uint32_t m_nChildCount = 0;
    CXMLElement* m_pFirstChild = nullptr;
    CXMLElement* m_pLastChild = nullptr;
    CXMLElement* m_pNextSibling = nullptr;
    CXMLElement* m_pParent = nullptr;
};
