// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

class CArchive;
class CXMLElement;

// Reads XML text and appends its top-level elements to an element; throws CXMLException.
class CXMLReader
{
public:
    static void Read(CXMLElement& element, CArchive& ar);
    // The text with the known references decoded (in scratch), or the text itself when it
    // holds no '&'.
    static std::string_view DecodeReferences(std::string_view text, std::string& scratch);

    // Known references (&amp; &lt; &gt; &quot; &apos; &#N; &#xH;) in names and values are
    // decoded; any other '&' text, and references to NUL or to no character, stay as written.
    static constexpr const char* kUnmatchedLt = "Unmatched '<' in file!";
    static constexpr const char* kEndTagWithoutStart = "End tag found without matching start tag!";
    static constexpr const char* kNoEndTag = "No end tag found!";
};
