// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XMLException.h"

#include "xml/XMLReader.h"

std::string CXMLException::Explanation() const
{
    std::string what;
    if (m_strMessage == CXMLReader::kNoEndTag)
        what = "no end tag for <" + m_strName + ">";
    else if (m_strMessage == CXMLReader::kEndTagWithoutStart)
        what = "end tag </" + m_strName + "> without a start tag";
    else if (m_strMessage == CXMLReader::kUnmatchedLt)
        what = "'<' without a '>' to end its tag";
    else
        what = m_strMessage;
    return m_nLine == 0 ? what : "line " + std::to_string(m_nLine) + ": " + what;
}
