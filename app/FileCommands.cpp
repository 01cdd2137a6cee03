// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FileCommands.h"

#include "app/CommandActions.h"
#include "app/EditorApp.h"
#include "app/ExportCommands.h"
#include "app/ExportScope.h"
#include "app/MainFrame.h"
#include "app/VgmExport.h"
#include "app/WavExport.h"
#include "app/WrittenReport.h"

void CFileCommands::CreateActions(CCommandActions& commands)
{
    CDocumentManager& documents = m_app.Documents();
    // Commands of the active document: disabled while none is open.
    const auto active = [&documents] { return documents.GetActiveDocument(); };
    const auto ofDocument = [active] { return CommandState{active() != nullptr}; };

    commands.Add(ID_FILE_NEW, [&documents] { documents.OnFileNew(); });
    commands.Add(ID_FILE_OPEN, [&documents] { documents.OnFileOpen(); });
    commands.Add(ID_FILE_OPEN_GAME, [this] { m_app.GameFolders().OnOpenGameFolder(); });
    commands.Add(
        ID_FILE_CLOSE, [&documents, active] { documents.OnFileClose(active()); }, ofDocument);
    commands.Add(
        ID_FILE_SAVE, [&documents, active] { documents.DoFileSave(active()); }, ofDocument);
    commands.Add(
        ID_FILE_SAVE_AS, [&documents, active] { documents.DoSave(active(), true); }, ofDocument);
    commands.Add(
        ID_FILE_SAVE_INTO_GAME,
        [this, active] { m_app.GameFolders().SaveIntoChosenGame(active()); }, ofDocument);
    for (const UINT nID : {ID_FILE_IMPORT, ID_IMPORT_MIDI, ID_IMPORT_VGM})
        commands.Add(nID, [this, nID] { m_app.SongImports().AskAndImport(nID, nullptr); });
    for (const UINT nID : {ID_IMPORT_MIDI_INTO, ID_IMPORT_VGM_INTO})
        commands.Add(
            nID, [this, nID, active] { m_app.SongImports().AskAndImport(nID, active()); },
            ofDocument);
    for (const UINT nID : {ID_EXPORT_AGI, ID_EXPORT_MIDI, ID_EXPORT_WAV, ID_EXPORT_VGM})
        commands.Add(
            nID, [this, nID] { OnExport(nID); }, ofDocument);

    for (int i = 0; i < kRecentFileCount; ++i)
        commands.Add(
            ID_FILE_MRU_FILE1 + i, [&documents, i] { documents.OpenRecentFile(i); },
            [&documents, i]
            {
                // With no recent files the first entry stays, disabled, as the list's place.
                const CRecentFileList& list = documents.GetRecentFileList();
                const int count = static_cast<int>(list.GetEntries().size());
                CommandState state{i < count};
                state.bVisible = i < count || i == 0;
                if (i < count)
                    state.text = list.GetDisplayName(i);
                return state;
            });
    commands.Add(ID_APP_EXIT, [this] { m_app.GetMainFrame()->close(); });
    // Nothing prints: the toolbar's button always shows disabled.
    commands.Add(ID_FILE_PRINT, {});
}

void CFileCommands::OnExport(UINT nID)
{
    CSoundDoc* pDoc = m_app.Documents().GetActiveDocument();
    if (pDoc == nullptr)
        return;
    ExportInScope(*pDoc, m_app.GetMainFrame(),
                  [this, nID, pDoc, context = ExportContextOf(pDoc)](const PlayRange& range)
                  { return RunExport(nID, *pDoc, range, context); });
}

CFileCommands::ExportContext CFileCommands::ExportContextOf(const CSoundDoc* pDoc) const
{
    const CSoundSession* pSession = m_app.Documents().GetSession(pDoc);
    return {m_app.Playback().VoiceOf(pDoc), pSession != nullptr ? pSession->GetMuteMask() : 0,
            pSession != nullptr ? pSession->GetGameOrigin() : GameOrigin{}};
}

bool CFileCommands::RunExport(UINT nID, const CSoundDoc& doc, const PlayRange& range,
                              const ExportContext& context)
{
    const std::optional<std::string> written = WriteExport(nID, doc, range, context);
    if (written)
        m_app.SetIdleText(WroteFileText(*written));
    return written.has_value();
}

std::optional<std::string> CFileCommands::WriteExport(UINT nID, const CSoundDoc& doc,
                                                      const PlayRange& range,
                                                      const ExportContext& context)
{
    switch (nID)
    {
    case ID_EXPORT_AGI:
        return ExportAgiCommand(doc, range);
    case ID_EXPORT_MIDI:
        return ExportMidiCommand(doc, range, m_app.GetMainFrame());
    case ID_EXPORT_VGM:
        return ExportVgm(doc, range, context.origin, context.voice, context.muteMask,
                         m_app.GetMainFrame());
    default:
        return ExportWav(doc, range, context.voice, context.muteMask, m_app.GetMainFrame());
    }
}
