// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/FileFormat.h"

#include <algorithm>
#include <cctype>

namespace
{
bool NameEndsWith(const std::string& text, const std::string& suffix)
{
    return !suffix.empty() && text.size() >= suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(),
                      [](char a, char b)
                      { return a == std::tolower(static_cast<unsigned char>(b)); });
}

bool EndsWithAny(const std::string& path, const std::vector<std::string>& extensions)
{
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const std::string& extension) { return NameEndsWith(path, extension); });
}

// "*.mid;*.midi", or "*.*" for a format whose files have any name.
std::string Patterns(const std::vector<std::string>& extensions)
{
    if (extensions.empty())
        return "*.*";
    std::string patterns;
    for (const std::string& extension : extensions)
        patterns += (patterns.empty() ? "*" : ";*") + extension;
    return patterns;
}
} // namespace

bool FileFormat::OpensName(const std::string& path) const
{
    return EndsWithAny(path, openExtensions);
}

bool FileFormat::SavesName(const std::string& path) const
{
    return EndsWithAny(path, saveExtensions);
}

bool FileFormat::CompressesName(const std::string& path) const
{
    return NameEndsWith(path, compressedExtension);
}

std::string FileFormat::OpenFilterEntry() const
{
    const std::string patterns = Patterns(openExtensions);
    return std::string(name) + " (" + patterns + ")|" + patterns + "|";
}

std::string FileFormat::OpenFilter() const
{
    // Files of any name are every file already.
    return OpenFilterEntry() + (openExtensions.empty() ? "" : "All Files (*.*)|*.*|") + "|";
}
