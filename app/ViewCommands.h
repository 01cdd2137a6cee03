// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CCommandActions;
class CEditorApp;

// The View menu: the bars, which editor has the keys, the piano roll and its zoom, and
// whether the editors follow playback.
class CViewCommands
{
public:
    explicit CViewCommands(CEditorApp& app) : m_app(app) {}

    void CreateActions(CCommandActions& commands);

private:
    void AddPianoRollCommands(CCommandActions& commands);

    CEditorApp& m_app;
};
