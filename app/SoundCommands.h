// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CCommandActions;
class CEditorApp;

// The Sound Resource menu and the sound toolbar: patterns, the play range, the transport,
// the note keys, what plays (chip and fade), the voices muted and soloed, and the sound's
// properties.
class CSoundCommands
{
public:
    explicit CSoundCommands(CEditorApp& app) : m_app(app) {}

    void CreateActions(CCommandActions& commands);

private:
    void AddTransportActions(CCommandActions& commands);
    void AddPatternAndRangeActions(CCommandActions& commands);
    void AddVoiceActions(CCommandActions& commands);
    void AddMuteActions(CCommandActions& commands);

    CEditorApp& m_app;
};
