// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CArchive;
class CXMLElement;

// Reads XML text and appends its top-level elements to an element; throws CXMLException.
class CXMLReader
{
public:
    static void Read(CXMLElement& element, CArchive& ar);

    // Known references (&amp; &lt; &gt; &quot; &apos; &#N; &#xH;) in names and values are
    // decoded; any other '&' text, and references to NUL or to no character, stay as written.
    static constexpr const char* kUnmatchedLt = "Unmatched '<' in file!";
    static constexpr const char* kEndTagWithoutStart = "End tag found without matching start tag!";
    static constexpr const char* kNoEndTag = "No end tag found!";
};
