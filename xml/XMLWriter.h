// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

class CArchive;
class CXMLElement;

// Writes an element and its subtree as XML text, one element per line, lines ending CR LF.
class CXMLWriter
{
public:
    static void Write(const CXMLElement& element, CArchive& ar);
    // Appends text with & < > " and control characters replaced by references.
    static void AppendEscaped(std::string& out, std::string_view text);
    // Whether AppendEscaped would append the text as it stands.
    static bool IsPlain(std::string_view text);
};
