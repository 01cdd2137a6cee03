// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SongImportCommands.h"

#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "app/QtUserInterface.h"
#include "dialogs/MidiImportDialog.h"
#include "framework/File.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/AgiFile.h"
#include "sound/AgiResource.h"
#include "sound/ImportReport.h"
#include "sound/MidiImport.h"
#include "sound/SongFiles.h"
#include "sound/VgmImport.h"

#include <filesystem>
#include <memory>
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
std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& path)
{
    const Result<std::string> data = ReadWholeFile(path, kMaxSongFileBytes);
    if (!data.Ok())
    {
        AfxMessageBox(data.Error(), MessageKind::Warning);
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(data.Value().begin(), data.Value().end());
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

void Refuse(const std::string& path, const std::string& error)
{
    AfxMessageBox("Cannot import " + path + ":\n" + error, MessageKind::Warning);
}
} // namespace

void CSongImportCommands::AskAndImport(UINT nID, CSoundDoc* pInto)
{
    FileDialogRequest request;
    request.bOpen = true;
    const bool bMidi = nID == ID_IMPORT_MIDI || nID == ID_IMPORT_MIDI_INTO;
    request.strTitle = nID == ID_FILE_IMPORT ? "Import AGI Sound"
                       : bMidi               ? "Import MIDI File"
                                             : "Import VGM File";
    request.strFilter = nID == ID_FILE_IMPORT ? kAgiFilter : bMidi ? kMidiFilter : kVgmFilter;
    request.bFileMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return;
    if (nID == ID_FILE_IMPORT)
        ImportAgi(path);
    else if (pInto != nullptr)
        ImportSongInto(*pInto, path);
    else
        ImportSong(path, true);
}

CSoundDoc* CSongImportCommands::ImportAgi(const std::string& path)
{
    // A failed import leaves the new document as it was. A refused resource is told
    // plainly, a file that cannot be read (gone since it was chosen, a folder) with a warning.
    CSoundDoc* pDoc = m_app.Documents().OpenDocumentFile({});
    if (pDoc == nullptr)
        return nullptr;
    if (const Status imported = ImportAgiFile(*pDoc, path); !imported.Ok())
        ShowFailure(imported.GetFailure(), MessageKind::Plain);
    return pDoc;
}

CSoundDoc* CSongImportCommands::ImportSong(const std::string& path, bool bAskChannels)
{
    const auto read = ReadSongFile(path, bAskChannels);
    if (!read)
        return nullptr;
    CSoundDoc* pDoc = m_app.Documents().OpenDocumentFile({});
    if (pDoc == nullptr)
        return nullptr;
    BuildImportedDocument(read->song, *pDoc);
    // The window opened on the new sound's own first pattern, which the song has replaced.
    if (CSoundSession* pSession = m_app.Documents().GetSession(pDoc))
        pSession->SetCurrentPattern(pDoc->GetPatternAt(pSession->GetSequenceCursor()));
    pDoc->UpdateAllViews(nullptr);
    // The recent list brings the song in again (a new sound each time).
    m_app.Documents().AddToRecentFileList(AbsolutePath(path));
    ShowReport(path, read->report);
    return pDoc;
}

bool CSongImportCommands::ImportSongInto(CSoundDoc& doc, const std::string& path)
{
    CSoundSession* pSession = m_app.Documents().GetSession(&doc);
    if (pSession == nullptr)
        return false;
    auto read = ReadSongFile(path, true);
    if (!read)
        return false;
    const ImportedSong& song = read->song;
    std::size_t nChannels = 0;
    for (const auto& records : song.channels)
        nChannels += records.empty() ? 0 : 1;
    const std::size_t nCells =
        nChannels * static_cast<std::size_t>(song.lengthTicks / ImportedRowTicks(song));
    SoundEdits::ReplaceSound(
        *pSession, EditorPosition{}, QObject::tr("Import %1").arg(PathToQString(FileName(path))),
        [pSong = std::make_shared<const ImportedSong>(std::move(read->song))](CSoundDoc& target)
        { BuildImportedDocument(*pSong, target); },
        nCells * sizeof(SoundCell));
    m_app.Documents().AddToRecentFileList(AbsolutePath(path));
    ShowReport(path, read->report);
    return true;
}

auto CSongImportCommands::ReadSongFile(const std::string& path, bool bAskChannels)
    -> std::optional<ReadSong>
{
    return SongFileKindOf(path) == SongFileKind::Vgm ? ReadVgmFile(path)
                                                     : ReadMidiSong(path, bAskChannels);
}

auto CSongImportCommands::ReadMidiSong(const std::string& path, bool bAskChannels)
    -> std::optional<ReadSong>
{
    const auto bytes = ReadBytes(path);
    if (!bytes)
        return std::nullopt;
    const Result<MidiSong> read = ReadMidiFile(*bytes);
    if (!read.Ok())
    {
        Refuse(path, read.Error());
        return std::nullopt;
    }
    MidiImportOptions options;
    if (bAskChannels)
    {
        CMidiImportDialog dialog(
            PathToQString(FileName(path)), ListMidiChannels(read.Value()),
            [&song = read.Value()](const MidiImportOptions& choice)
            { return CountMidiImport(song, choice); },
            options, m_app.GetMainFrame());
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        options = dialog.Options();
    }
    MidiImportCounts counts;
    ReadSong result{ConvertMidi(read.Value(), options, counts), {}};
    result.report = JoinReport(MidiImportReport(counts));
    return result;
}

auto CSongImportCommands::ReadVgmFile(const std::string& path) -> std::optional<ReadSong>
{
    const auto bytes = ReadBytes(path);
    if (!bytes)
        return std::nullopt;
    std::vector<std::string> warnings;
    Result<ImportedSong> song = ReadVgmSong(*bytes, warnings);
    if (!song.Ok())
    {
        Refuse(path, song.Error());
        return std::nullopt;
    }
    const std::string report =
        JoinReport(VgmImportReport(NotesOfVgmSong(song.Value(), std::move(warnings))));
    return ReadSong{std::move(song).Value(), report};
}

void CSongImportCommands::ShowReport(const std::string& path, const std::string& report)
{
    if (!report.empty())
        m_app.SetIdleText(FileName(path) + ": " + report);
}
