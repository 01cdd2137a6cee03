// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

// The one error of the XML reader; thrown and caught by value.
class CXMLException
{
public:
    explicit CXMLException(std::string strMessage, std::size_t nLine = 0, std::string strName = {})
        : m_strMessage(std::move(strMessage)), m_nLine(nLine), m_strName(std::move(strName))
    {
    }

    // What went wrong and where, for a person: "line 12: no end tag for <pattern>".
    std::string Explanation() const;

    // One of the reader's three fixed messages.
    std::string m_strMessage;
    // The line (from 1) of the '<' at fault; 0 when not known.
    std::size_t m_nLine;
    // The element whose end tag never came, or the end tag that closes nothing.
    std::string m_strName;
};
