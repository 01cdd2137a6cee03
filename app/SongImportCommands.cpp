// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SongImportCommands.h"

#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "app/QtUserInterface.h"
#include "dialogs/MidiImportDialog.h"
#include "dialogs/WorkAside.h"
#include "framework/Progress.h"
#include "playback/FileFormats.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/ImportReport.h"
#include "sound/MidiImport.h"
#include "sound/SongFiles.h"
#include "sound/VgmImport.h"

#include <QUndoStack>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace
{
std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

// An imported sound is called by its file's name, which Save offers for its document.
std::string TitleOf(const std::string& path)
{
    return std::filesystem::path(path).stem().string();
}

// The format each import command reads.
const FileFormat& ImportedFormat(UINT nID)
{
    switch (nID)
    {
    case ID_IMPORT_MIDI:
    case ID_IMPORT_MIDI_INTO:
        return MidiFileFormat();
    case ID_IMPORT_VGM:
    case ID_IMPORT_VGM_INTO:
        return VgmFileFormat();
    default:
        return AgiFileFormat();
    }
}

// The formats whose songs the editor reads itself, to offer the MIDI channel dialog and the
// undoable import into an open sound; any other is read through its row.
bool IsSongFormat(const FileFormat& format)
{
    return &format == &MidiFileFormat() || &format == &VgmFileFormat();
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string RefusalText(const std::string& path, const std::string& error)
{
    return "Cannot import " + path + ":\n" + error;
}

// A file that cannot be read names itself; a refused song is named here.
void Refuse(const std::string& path, const Failure& failure)
{
    AfxMessageBox(failure.cause == Failure::Cause::File ? failure.message
                                                        : RefusalText(path, failure.message),
                  MessageKind::Warning);
}

QString ImportingLabel(const std::string& path)
{
    return QStringLiteral("Importing %1…").arg(PathToQString(FileName(path)));
}
} // namespace

void CSongImportCommands::AskAndImport(UINT nID, CSoundDoc* pInto)
{
    const FileFormat& format = ImportedFormat(nID);
    FileDialogRequest request;
    request.bOpen = true;
    request.strTitle = nID == ID_FILE_IMPORT              ? "Import AGI Sound"
                       : &format == &MidiFileFormat() ? "Import MIDI File"
                                                      : "Import VGM File";
    request.strFilter = format.OpenFilter();
    request.bFileMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return;
    if (pInto != nullptr)
        ImportSongInto(*pInto, format, path);
    else if (IsSongFormat(format))
        ImportSong(format, path, true);
    else
        ImportThroughRow(format, path);
}

CSoundDoc* CSongImportCommands::ImportNewSound(const FileFormat& format, const std::string& path)
{
    return IsSongFormat(format) ? ImportSong(format, path, false) : ImportThroughRow(format, path);
}

CSoundDoc* CSongImportCommands::ImportThroughRow(const FileFormat& format, const std::string& path)
{
    // Read before any window opens, so that a refused file leaves none behind. A refused
    // resource is told plainly, a file that cannot be read (gone since it was chosen, a
    // folder) with a warning.
    auto pDoc = std::make_unique<CSoundDoc>();
    if (!pDoc->OnNewDocument())
        return nullptr;
    const Result<ImportNotes> imported = format.import(*pDoc, path, ImportRequest{});
    if (!imported.Ok())
    {
        Failure failure = imported.GetFailure();
        if (failure.cause == Failure::Cause::Refused && !failure.Silent())
            failure.message = RefusalText(path, failure.message);
        ShowFailure(failure, MessageKind::Plain);
        return nullptr;
    }
    pDoc->SetTitle(TitleOf(path));
    CSoundDoc* pOpened = m_app.Documents().AddDocument(std::move(pDoc));
    if (pOpened != nullptr)
        ShowReport(path, JoinReport(imported.Value()));
    return pOpened;
}

CSoundDoc* CSongImportCommands::ImportSong(const FileFormat& format, const std::string& path,
                                           bool bAskChannels)
{
    auto pNew = std::make_unique<CSoundDoc>();
    if (!pNew->OnNewDocument())
        return nullptr;
    pNew->SetTitle(TitleOf(path));
    const auto read = ReadSongAside(format, path, bAskChannels, pNew.get());
    if (!read)
        return nullptr;
    CSoundDoc* pDoc = m_app.Documents().AddDocument(std::move(pNew));
    if (pDoc == nullptr)
        return nullptr;
    // The recent list brings the song in again (a new sound each time).
    m_app.Documents().AddToRecentFileList(AbsolutePath(path));
    ShowReport(path, read->report);
    return pDoc;
}

bool CSongImportCommands::ImportSongInto(CSoundDoc& doc, const FileFormat& format,
                                         const std::string& path)
{
    CSoundSession* pSession = m_app.Documents().GetSession(&doc);
    if (pSession == nullptr)
        return false;
    auto read = ReadSongAside(format, path, true, nullptr);
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
    if (!read->report.empty())
        WithdrawReportOnUndo(pSession->Undo().Stack());
    return true;
}

auto CSongImportCommands::ReadSongAside(const FileFormat& format, const std::string& path,
                                        bool bAskChannels, CSoundDoc* pBuild)
    -> std::optional<ReadSong>
{
    return &format == &VgmFileFormat() ? ReadVgmFile(path, pBuild)
                                       : ReadMidiSong(path, bAskChannels, pBuild);
}

auto CSongImportCommands::ReadMidiSong(const std::string& path, bool bAskChannels,
                                       CSoundDoc* pBuild) -> std::optional<ReadSong>
{
    Result<MidiSong> read = Failure{};
    MidiImportOptions options;
    std::optional<ReadSong> result;
    auto convert = [&](const CProgress& progress)
    {
        MidiImportCounts counts;
        ImportedSong song =
            ConvertMidi(read.Value(), options, counts, progress.Part(0.0, kSongBuildFrom));
        if (progress.Cancelled())
            return;
        if (pBuild != nullptr)
            BuildImportedDocument(song, *pBuild, progress.Part(kSongBuildFrom, 1.0));
        result = ReadSong{std::move(song), JoinReport(MidiImportReport(counts))};
    };
    auto readFile = [&](const CProgress& progress)
    {
        Result<std::vector<std::uint8_t>> bytes = ::ReadSongFile(path);
        if (!bytes.Ok())
        {
            read = bytes.GetFailure();
            return;
        }
        const double readShare = bAskChannels ? 1.0 : kMidiReadShare;
        read = ReadMidiFile(bytes.Value(), progress.Part(0.0, readShare));
        if (read.Ok() && !bAskChannels)
            convert(progress.Part(kMidiReadShare, 1.0));
    };
    // With the channel dialog between them, reading and converting are two waits.
    const bool bRead = RunAsideWithProgress(m_app.GetMainFrame(), ImportingLabel(path), readFile);
    if (!bRead)
        return std::nullopt;
    if (!read.Ok())
    {
        Refuse(path, read.GetFailure());
        return std::nullopt;
    }
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
        if (!RunAsideWithProgress(m_app.GetMainFrame(), ImportingLabel(path), convert))
            return std::nullopt;
    }
    return result;
}

auto CSongImportCommands::ReadVgmFile(const std::string& path, CSoundDoc* pBuild)
    -> std::optional<ReadSong>
{
    std::optional<Result<ImportedSong>> song;
    std::vector<std::string> warnings;
    const bool bDone = RunAsideWithProgress(
        m_app.GetMainFrame(), ImportingLabel(path),
        [&](const CProgress& progress)
        {
            const Result<std::vector<std::uint8_t>> bytes = ::ReadSongFile(path);
            if (!bytes.Ok())
            {
                song.emplace(bytes.GetFailure());
                return;
            }
            song.emplace(ReadVgmSong(bytes.Value(), warnings, progress.Part(0.0, kSongBuildFrom)));
            if (song->Ok() && pBuild != nullptr && !progress.Cancelled())
                BuildImportedDocument(song->Value(), *pBuild, progress.Part(kSongBuildFrom, 1.0));
        });
    if (!bDone)
        return std::nullopt;
    if (!song->Ok())
    {
        Refuse(path, song->GetFailure());
        return std::nullopt;
    }
    const std::string report =
        JoinReport(VgmImportReport(NotesOfVgmSong(song->Value(), std::move(warnings))));
    return ReadSong{std::move(*song).Value(), report};
}

void CSongImportCommands::WithdrawReportOnUndo(QUndoStack& stack)
{
    // The report speaks of the imported song, which an undo takes away.
    const int nImported = stack.index();
    const QString report = m_app.m_strIdleText;
    auto pConnection = std::make_shared<QMetaObject::Connection>();
    *pConnection = QObject::connect(
        &stack, &QUndoStack::indexChanged, &stack,
        [this, nImported, report, pConnection](int nIndex)
        {
            if (nIndex >= nImported)
                return;
            if (m_app.m_nIdleMessageID == 0 && m_app.m_strIdleText == report)
                m_app.SetIdleMessage(AFX_IDS_IDLEMESSAGE);
            QObject::disconnect(*pConnection);
        });
}

void CSongImportCommands::ShowReport(const std::string& path, const std::string& report)
{
    if (!report.empty())
        m_app.SetIdleText(FileName(path) + ": " + report);
}
