// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"
#include "session/SoundSession.h"
#include "sound/PlayVoice.h"

#include <optional>
#include <string>

class CCommandActions;
class CEditorApp;
class CSoundDoc;

// The File menu: new, open, close and save documents, the game folders, imports, exports, the
// recent files and Exit.
class CFileCommands
{
public:
    explicit CFileCommands(CEditorApp& app) : m_app(app) {}

    void CreateActions(CCommandActions& commands);

private:
    // What an export takes from the document's session.
    struct ExportContext
    {
        PlayVoice voice;
        unsigned muteMask = 0;
        GameOrigin origin;
    };
    void OnExport(UINT nID);
    ExportContext ExportContextOf(const CSoundDoc* pDoc) const;
    // The export command nID (AGI, MIDI, VGM or WAV) of doc's rows in range, named in the
    // status bar when written; false when nothing was.
    bool RunExport(UINT nID, const CSoundDoc& doc, const PlayRange& range,
                   const ExportContext& context);
    // The file the export wrote; nothing when cancelled or failed.
    std::optional<std::string> WriteExport(UINT nID, const CSoundDoc& doc, const PlayRange& range,
                                           const ExportContext& context);

    CEditorApp& m_app;
};
