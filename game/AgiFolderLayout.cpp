// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/AgiFolderLayout.h"

#include "game/AgiVolume.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace
{
// The number of a "<prefix>vol.N" name (no leading zero, at most two digits), or -1.
int AnyVolNumber(const std::string& lowerName, const std::string& lowerPrefix)
{
    const std::string stem = lowerPrefix + "vol.";
    if (lowerName.rfind(stem, 0) != 0)
        return -1;
    const std::string digits = lowerName.substr(stem.size());
    if (digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        (digits.size() > 1 && digits[0] == '0'))
        return -1;
    return std::stoi(digits);
}

int VolNumber(const std::string& lowerName, const std::string& lowerPrefix)
{
    const int n = AnyVolNumber(lowerName, lowerPrefix);
    return n <= kMaxVolNumber ? n : -1;
}

std::string VolPastLast(const std::vector<std::string>& names, const std::string& lowerPrefix)
{
    for (const std::string& name : names)
        if (AnyVolNumber(Lower(name), lowerPrefix) > kMaxVolNumber)
            return name;
    return {};
}

std::map<int, std::string> VolFiles(const std::vector<std::string>& names,
                                    const std::string& lowerPrefix)
{
    std::map<int, std::string> vols;
    for (const std::string& name : names)
        if (const int n = VolNumber(Lower(name), lowerPrefix); n >= 0 && !vols.count(n))
            vols[n] = name;
    return vols;
}

// The prefixes (as spelled) of the "<ID>DIR" files that have an "<ID>VOL.0" beside them.
std::vector<std::string> VersionThreeIds(const std::vector<std::string>& names)
{
    std::set<std::string> lowerNames;
    for (const std::string& name : names)
        lowerNames.insert(Lower(name));
    std::vector<std::string> ids;
    std::set<std::string> seen;
    for (const std::string& name : names)
    {
        const std::string lower = Lower(name);
        if (lower.size() <= 3 || lower.compare(lower.size() - 3, 3, "dir") != 0)
            continue;
        const std::string prefix = lower.substr(0, lower.size() - 3);
        if (lowerNames.count(prefix + "vol.0") && seen.insert(prefix).second)
            ids.push_back(name.substr(0, prefix.size()));
    }
    return ids;
}

std::string FirstNamed(const std::vector<std::string>& names, const std::string& lower)
{
    const auto it = std::find_if(names.begin(), names.end(),
                                 [&](const std::string& name) { return Lower(name) == lower; });
    return it != names.end() ? *it : std::string();
}

std::string NewVolPrefix(const AgiFolderLayout& layout)
{
    if (!layout.volNames.empty())
    {
        const std::string& last = layout.volNames.rbegin()->second;
        return last.substr(0, last.rfind('.') + 1);
    }
    const bool bUpper = std::isupper(static_cast<unsigned char>(layout.dirName.back()));
    return layout.id + (bUpper ? "VOL." : "vol.");
}
} // namespace

AgiFolderLayout FindAgiFolderLayout(std::vector<std::string> fileNames)
{
    // Whatever order the folder lists them in, the same names give the same layout.
    std::sort(fileNames.begin(), fileNames.end());
    AgiFolderLayout layout;
    layout.agidataName = FirstNamed(fileNames, "agidata.ovl");
    const std::string sndDir = FirstNamed(fileNames, "snddir");
    const std::vector<std::string> ids = VersionThreeIds(fileNames);
    if (!sndDir.empty())
    {
        layout.version = 2;
        layout.bBothLayouts = !ids.empty();
        layout.id = ids.size() == 1 ? ids[0] : std::string();
        layout.dirName = sndDir;
        layout.volNames = VolFiles(fileNames, "");
        layout.volPastLast = VolPastLast(fileNames, "");
    }
    else if (ids.size() == 1)
    {
        layout.version = 3;
        layout.id = ids[0];
        layout.dirName = FirstNamed(fileNames, Lower(ids[0]) + "dir");
        layout.volNames = VolFiles(fileNames, Lower(ids[0]));
        layout.volPastLast = VolPastLast(fileNames, Lower(ids[0]));
    }
    else if (ids.size() > 1)
    {
        std::string list;
        for (const std::string& id : ids)
            list += (list.empty() ? "" : ", ") + id;
        layout.error = "holds more than one version 3 game (" + list + ")";
        return layout;
    }
    else
    {
        layout.error = "has neither SNDDIR nor an <ID>DIR file beside an <ID>VOL.0";
        return layout;
    }
    layout.volPrefix = NewVolPrefix(layout);
    return layout;
}

int AgiVolNumber(const std::string& fileName, const std::string& id)
{
    return VolNumber(Lower(fileName), Lower(id));
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
