// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CCommandActions;
class CEditorApp;

// The View menu: the bars, which editor has the keys, and whether the pattern editor
// follows playback.
class CViewCommands
{
public:
    explicit CViewCommands(CEditorApp& app) : m_app(app) {}

    void CreateActions(CCommandActions& commands);

private:
    CEditorApp& m_app;
};
