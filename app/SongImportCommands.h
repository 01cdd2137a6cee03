// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "views/CommandTarget.h"

#include <string>

class CEditorApp;
class CSoundDoc;

// AGI resources, MIDI and VGM files brought into new sounds: File > Import > AGI Resource…,
// MIDI… (with the channel dialog) and VGM…, and any way of opening such a file (with the
// default channel uses).
class CSongImportCommands : public ICommandTarget
{
public:
    explicit CSongImportCommands(CEditorApp& app) : m_app(app) {}

    bool OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;

    // A new sound holding the song at path, a .mid, .midi, .vgm or .vgz file; bAskChannels
    // lets the person place a MIDI file's channels first. Null, with no document made, when
    // the file is refused or the person cancels.
    CSoundDoc* ImportSong(const std::string& path, bool bAskChannels);
    // A new sound holding the AGI resource at path; a refused resource leaves it empty.
    CSoundDoc* ImportAgi(const std::string& path);

private:
    void AskAndImport(UINT nID);
    CSoundDoc* ImportMidiFile(const std::string& path, bool bAskChannels);
    CSoundDoc* ImportVgmFile(const std::string& path);
    // What the import lost, on the status bar; the person reads it without being stopped.
    void ShowReport(const std::string& path, const std::string& report);

    CEditorApp& m_app;
};
