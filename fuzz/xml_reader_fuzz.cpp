// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the XML reader. Beyond not crashing, whatever it reads and the
// writer can express must survive being written and read again unchanged.
#include "framework/Archive.h"
#include "framework/MemFile.h"
#include "xml/XMLElement.h"
#include "xml/XMLException.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
std::string Write(CXMLElement& root)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    POSITION pos = root.GetFirstChildPosition();
    while (pos)
        root.GetNextChild(pos)->Serialize(ar);
    ar.Flush();
    return file.GetData();
}

bool HasChildNamed(const CXMLElement& element, const std::string& name)
{
    std::vector<const CXMLElement*> pending{&element};
    while (!pending.empty())
    {
        const CXMLElement* pElement = pending.back();
        pending.pop_back();
        POSITION pos = pElement->GetFirstChildPosition();
        while (pos)
        {
            const CXMLElement* pChild = pElement->GetNextChild(pos);
            if (pChild->GetName() == name && pChild->GetChildCount() > 0)
                return true;
            pending.push_back(pChild);
        }
    }
    return false;
}

// Shapes the text form cannot carry: a blank or a leading or trailing '/' in an element name,
// attributes after an empty element name, a blank or '=' in an attribute name, and an element
// with children inside one of the same name.
bool Expressible(const CXMLElement& root)
{
    std::vector<const CXMLElement*> pending;
    POSITION pos = root.GetFirstChildPosition();
    while (pos)
        pending.push_back(root.GetNextChild(pos));
    while (!pending.empty())
    {
        const CXMLElement* pElement = pending.back();
        pending.pop_back();
        const std::string& name = pElement->GetName();
        if (name.find(' ') != std::string::npos ||
            (!name.empty() && (name.front() == '/' || name.back() == '/')))
            return false;
        bool bOk = true;
        pElement->ForEachAttribute(
            [&](std::string_view attrName, std::string_view)
            {
                if (name.empty() || attrName.find_first_of(" =") != std::string_view::npos)
                    bOk = false;
            });
        if (!bOk || (pElement->GetChildCount() > 0 && HasChildNamed(*pElement, name)))
            return false;
        pos = pElement->GetFirstChildPosition();
        while (pos)
            pending.push_back(pElement->GetNextChild(pos));
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CXMLElement root;
    try
    {
        CMemFile file(data, size);
        CArchive ar(&file, CArchive::load);
        root.Serialize(ar);
    }
    catch (const CXMLException& e)
    {
        if (e.m_strMessage.empty())
            std::abort();
        return 0;
    }

    const std::string text = Write(root);
    if (!Expressible(root))
        return 0;
    CXMLElement again;
    try
    {
        CMemFile file(text.data(), text.size());
        CArchive ar(&file, CArchive::load);
        again.Serialize(ar);
    }
    catch (const CXMLException&)
    {
        std::abort(); // the writer produced text its own reader rejects
    }
    if (Write(again) != text)
        std::abort();
    return 0;
}
