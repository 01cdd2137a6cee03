// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"

#include <span>
#include <string>

// The program's menus, accelerator tables, toolbars and string table, as data.

// One line of a menu. Level 0 lines are the popups of the menu bar; a line with a higher
// level belongs to the nearest line above it with a lower level. A line without a command
// and without text is a separator; a line with text but no command opens a submenu.
// Adjacent radio lines form one group of which exactly one is checked.
struct MenuEntry
{
    int nLevel;
    UINT nID;
    const char* pszText;
    bool bRadio = false;
};

// One accelerator: keys in the portable key-sequence form ("Ctrl+N", "Shift+Del").
struct AccelEntry
{
    const char* pszKeys;
    UINT nID;
};

// The buttons of a toolbar in order; 0 is a separator. IDC_ identifiers are controls the
// application makes, not buttons.
struct ToolbarResource
{
    UINT nID;
    const char* pszName;
    std::span<const UINT> buttons;
};

std::span<const MenuEntry> GetMenuResource(UINT nID);
std::span<const AccelEntry> GetAcceleratorResource(UINT nID);
const ToolbarResource* GetToolbarResource(UINT nID);

// The string-table entry, or an empty string when there is none.
std::string LoadResourceString(UINT nID);
// Parts of a command's prompt: the status bar text before "\n" and the tooltip after it.
std::string GetPromptText(UINT nID);
std::string GetTooltipText(UINT nID);

// The about box's further lines.
extern const char* const g_pszAboutVersionLine;
extern const char* const g_pszAboutTitle;
