// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Root of the framework's objects: documents, patterns, XML elements.
class CObject
{
public:
    virtual ~CObject() = default;
};
