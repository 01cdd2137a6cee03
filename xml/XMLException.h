// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The one error of the XML reader; thrown and caught by value.
class CXMLException
{
public:
    explicit CXMLException(std::string strMessage) : m_strMessage(std::move(strMessage)) {}

    std::string m_strMessage;
};
