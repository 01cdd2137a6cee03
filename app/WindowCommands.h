// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CCommandActions;
class CEditorApp;

// The Window menu and the pane keys: another window on the active sound, the windows'
// arrangement, and the focus from one editor of a window to the other.
class CWindowCommands
{
public:
    explicit CWindowCommands(CEditorApp& app) : m_app(app) {}

    void CreateActions(CCommandActions& commands);

private:
    // Minimized windows in a row along the bottom edge, in window order.
    void OnWindowArrange();

    CEditorApp& m_app;
};
