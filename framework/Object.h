// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Root of the objects that travel as update hints between a document and its views.
class CObject
{
public:
    virtual ~CObject() = default;
};
