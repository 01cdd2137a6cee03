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
    // Replaces &amp; &lt; &gt; &quot; &apos; &#N; and &#xH; by what they stand for; anything
    // else, including a reference to NUL or to no character, stays as written.
    static std::string Unescape(std::string_view text);

    static constexpr const char* kUnmatchedLt = "Unmatched '<' in file!";
    static constexpr const char* kEndTagWithoutStart = "End tag found without matching start tag!";
    static constexpr const char* kNoEndTag = "No end tag found!";
};
