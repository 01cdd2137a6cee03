// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"

#include <string>

// The state a command's update handler gives a menu item or toolbar button.
class CCmdUI
{
public:
    explicit CCmdUI(UINT nID = 0) : m_nID(nID) {}

    void Enable(bool bOn = true) { m_bEnabled = bOn; }
    void SetCheck(bool bChecked = true)
    {
        m_bCheckable = true;
        m_bChecked = bChecked;
    }

    // A menu item's text, when it depends on the state (Undo "what"); UTF-8, tab before the key.
    void SetText(const std::string& text) { m_strText = text; }

    UINT m_nID;
    bool m_bEnabled = true;
    bool m_bCheckable = false;
    bool m_bChecked = false;
    std::string m_strText;
};

// Something that handles commands: the active view, its frame, the main frame and the
// application are asked in that order, and the first that knows the command wins.
class ICommandTarget
{
public:
    virtual ~ICommandTarget() = default;
    // With pCmdUI null, carries the command out; otherwise fills in its state. Returns
    // whether this target handles the command. A command no target handles is disabled.
    virtual bool OnCmdMsg(UINT nID, CCmdUI* pCmdUI) = 0;
};
