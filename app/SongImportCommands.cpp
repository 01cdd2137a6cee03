// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SongImportCommands.h"

#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "app/QtUserInterface.h"
#include "dialogs/MidiImportDialog.h"
#include "framework/File.h"
#include "session/Prompts.h"
#include "sound/AgiFile.h"
#include "sound/AgiResource.h"
#include "sound/ImportReport.h"
#include "sound/MidiImport.h"
#include "sound/SongFiles.h"
#include "sound/VgmImport.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace
{
const char* const kAgiFilter = "AGI Sound Resources (*.*)|*.*||";
const char* const kMidiFilter = "MIDI Files (*.mid;*.midi)|*.mid;*.midi|All Files (*.*)|*.*||";
const char* const kVgmFilter = "VGM Files (*.vgm;*.vgz)|*.vgm;*.vgz|All Files (*.*)|*.*||";

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

// The file's bytes, or nothing after telling the person why.
std::optional<std::vector<std::uint8_t>> ReadSong(const std::string& path)
{
    try
    {
        const std::string data = ReadWholeFile(path, kMaxSongFileBytes);
        return std::vector<std::uint8_t>(data.begin(), data.end());
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION);
        return std::nullopt;
    }
}

void Refuse(const std::string& path, const std::string& error)
{
    AfxMessageBox("Cannot import " + path + ":\n" + error, MB_ICONEXCLAMATION);
}
} // namespace

bool CSongImportCommands::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    if (nID != ID_FILE_IMPORT && nID != ID_IMPORT_MIDI && nID != ID_IMPORT_VGM)
        return false;
    if (pCmdUI == nullptr)
        AskAndImport(nID);
    return true;
}

void CSongImportCommands::AskAndImport(UINT nID)
{
    FileDialogRequest request;
    request.bOpen = true;
    request.strTitle = nID == ID_FILE_IMPORT   ? "Import AGI Sound"
                       : nID == ID_IMPORT_MIDI ? "Import MIDI File"
                                               : "Import VGM File";
    request.strFilter = nID == ID_FILE_IMPORT   ? kAgiFilter
                        : nID == ID_IMPORT_MIDI ? kMidiFilter
                                                : kVgmFilter;
    request.bFileMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return;
    if (nID == ID_FILE_IMPORT)
        ImportAgi(path);
    else if (nID == ID_IMPORT_MIDI)
        ImportMidiFile(path, true);
    else
        ImportVgmFile(path);
}

CSoundDoc* CSongImportCommands::ImportAgi(const std::string& path)
{
    // A failed import leaves the new document as it was. A refused resource is told
    // plainly, a file that cannot be read (gone since it was chosen, a folder) with a warning.
    CSoundDoc* pDoc = m_app.OpenDocumentFile({});
    if (pDoc == nullptr)
        return nullptr;
    if (const Status imported = ImportAgiFile(*pDoc, path); !imported.Ok())
        ShowFailure(imported.GetFailure(), MB_OK);
    return pDoc;
}

CSoundDoc* CSongImportCommands::ImportSong(const std::string& path, bool bAskChannels)
{
    return SongFileKindOf(path) == SongFileKind::Vgm ? ImportVgmFile(path)
                                                     : ImportMidiFile(path, bAskChannels);
}

CSoundDoc* CSongImportCommands::ImportMidiFile(const std::string& path, bool bAskChannels)
{
    const auto bytes = ReadSong(path);
    if (!bytes)
        return nullptr;
    // Read first, so that a refused file makes no document.
    const MidiReadResult read = ReadMidiFile(*bytes);
    if (!read.Ok())
    {
        Refuse(path, read.error);
        return nullptr;
    }
    MidiImportOptions options;
    if (bAskChannels)
    {
        CMidiImportDialog dialog(
            PathToQString(FileName(path)), ListMidiChannels(read.song),
            [&song = read.song](const MidiImportOptions& choice)
            { return CountMidiImport(song, choice); },
            options, m_app.GetMainFrame());
        if (dialog.exec() != QDialog::Accepted)
            return nullptr;
        options = dialog.Options();
    }
    CSoundDoc* pDoc = m_app.OpenDocumentFile({});
    if (pDoc == nullptr)
        return nullptr;
    MidiImportCounts counts;
    BuildImportedDocument(ConvertMidi(read.song, options, counts), *pDoc);
    pDoc->UpdateAllViews(nullptr, nullptr);
    ShowReport(path, JoinReport(MidiImportReport(counts)));
    return pDoc;
}

CSoundDoc* CSongImportCommands::ImportVgmFile(const std::string& path)
{
    const auto bytes = ReadSong(path);
    if (!bytes)
        return nullptr;
    ImportedSong song;
    VgmImportResult result;
    result.error = ReadVgmSong(*bytes, song, result.warnings);
    if (!result.Ok())
    {
        Refuse(path, result.error);
        return nullptr;
    }
    result.agiBytes = ImportedAgiBytes(song);
    result.tooLongForAgi = result.agiBytes > kMaxAgiResourceBytes;
    CSoundDoc* pDoc = m_app.OpenDocumentFile({});
    if (pDoc == nullptr)
        return nullptr;
    BuildImportedDocument(song, *pDoc);
    pDoc->UpdateAllViews(nullptr, nullptr);
    ShowReport(path, JoinReport(VgmImportReport(result)));
    return pDoc;
}

void CSongImportCommands::ShowReport(const std::string& path, const std::string& report)
{
    if (!report.empty())
        m_app.SetIdleText(FileName(path) + ": " + report);
}
