// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GameFolderCommands.h"

#include "app/EditorApp.h"
#include "app/GameExportFormats.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/WrittenReport.h"
#include "dialogs/GameListing.h"
#include "dialogs/GameSoundListDialog.h"
#include "dialogs/GameTargetDialog.h"
#include "framework/TextCodec.h"
#include "game/GameSoundDocument.h"
#include "sound/AgiFile.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "views/SoundFrame.h"

#include <QMdiArea>
#include <QSettings>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace
{
std::string AbsoluteFolder(const std::string& dir)
{
    std::error_code ec;
    fs::path path = fs::absolute(dir, ec).lexically_normal();
    if (ec)
        path = fs::path(dir).lexically_normal();
    // "GAME/" names the folder GAME, not an empty last part.
    if (path.filename().empty() && path.has_parent_path())
        path = path.parent_path();
    return path.string();
}

constexpr int kRecentGameCount = 8;

CRecentFileList RecentGameList()
{
    CRecentFileList list(QStringLiteral("Recent Game List"), QStringLiteral("Game%1"),
                         kRecentGameCount);
    QSettings settings;
    list.ReadList(settings);
    return list;
}

std::string AskGameFolder()
{
    FileDialogRequest request;
    request.bOpen = true;
    request.bFolder = true;
    request.strTitle = "Game Folder";
    request.bPathMustExist = true;
    std::string dir;
    return GetFileNameSource().AskFileName(request, dir) ? dir : std::string();
}

// The game's sound n as it is now: none (empty), its bytes, or unknown when it cannot be read.
std::optional<GameBytes> CurrentSound(const std::string& folder, int n)
{
    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    if (!game.Open(folder).empty() || !game.ListSounds(sounds).empty())
        return std::nullopt;
    GameBytes bytes;
    const bool bListed = std::any_of(sounds.begin(), sounds.end(),
                                     [n](const GameSoundInfo& s) { return s.number == n; });
    if (!bListed)
        return bytes;
    return game.ReadSound(n, bytes).empty() ? std::optional(bytes) : std::nullopt;
}

// Yes overwrites, No saves as another sound.
Answer AskChangedInGame(int n)
{
    MessageRequest request;
    request.text = "Sound " + std::to_string(n) + " was changed in the game since you opened it";
    request.kind = MessageKind::Warning;
    request.buttons = Buttons::YesNoCancel;
    request.defaultButton = DefaultButton::Second;
    request.buttonTexts = {"Overwrite", "Save as another sound", "Cancel"};
    return ShowMessageBox(request);
}

int BackupsKept()
{
    return QSettings()
        .value(QStringLiteral("GameFolder/Backups"), CGameFolder::kDefaultBackupsKept)
        .toInt();
}
} // namespace

void CGameFolderCommands::OnOpenGameFolder()
{
    FileDialogRequest request;
    request.bOpen = true;
    request.bFolder = true;
    request.strTitle = "Open Game Folder";
    request.bPathMustExist = true;
    std::string dir;
    if (!GetFileNameSource().AskFileName(request, dir))
        return;
    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    bool bCancelled = false;
    std::string error = game.Open(AbsoluteFolder(dir));
    if (error.empty())
        error = ListGameSoundsAside(game, sounds, m_app.GetMainFrame(), &bCancelled);
    if (bCancelled)
        return;
    if (error.empty() && sounds.empty())
        error = "The game folder " + game.GetPath() + " has no sounds";
    if (!error.empty())
    {
        AfxMessageBox(error, MessageKind::Warning);
        return;
    }
    AddRecentGame(game.GetPath());
    CGameSoundListDialog dialog(game, std::move(sounds), &m_app.Playback(), m_app.GetMainFrame());
    dialog.SetExportFormats(
        MakeGameExportFormats(m_app.ChipChoice().Get(), game.GetInterpreterFade()));
    dialog.SetChipName(m_app.ChipChoice().DisplayName());
    if (dialog.exec() == QDialog::Accepted && dialog.GetChosenSound() >= 0)
        OpenGameSound(game.GetPath(), dialog.GetChosenSound());
}

CSoundDoc* CGameFolderCommands::OpenGameSound(const std::string& dir, int n)
{
    const std::string folder = AbsoluteFolder(dir);
    for (const auto& pOpen : m_app.Documents().GetDocuments())
    {
        const CSoundSession* pSession = m_app.Documents().GetSession(pOpen.get());
        if (pSession == nullptr || pSession->GetGameOrigin() != GameOrigin{folder, n})
            continue;
        m_app.Documents().ActivateDocument(pOpen.get());
        return pOpen.get();
    }
    CGameFolder game;
    if (const std::string error = game.Open(folder); !error.empty())
    {
        AfxMessageBox(error, MessageKind::Warning);
        return nullptr;
    }
    auto pDoc = std::make_unique<CSoundDoc>();
    const Result<GameSoundDocument> read = ReadGameSoundDocument(game, n, *pDoc);
    if (!read.Ok())
    {
        ShowFailure(read.GetFailure());
        return nullptr;
    }
    pDoc->SetTitle(SoundTitle({folder, n}));
    CSoundDoc* pAdded = m_app.Documents().AddDocument(std::move(pDoc), GameOrigin{folder, n});
    if (pAdded == nullptr)
        return nullptr;
    m_writes[pAdded].expected = read.Value().resource;
    // The game's own interpreter decides how its notes fade, unless the menu says otherwise.
    if (CSoundSession* pSession = m_app.Documents().GetSession(pAdded))
        pSession->SetInterpreterFade(game.GetInterpreterFade());
    if (!read.Value().note.empty())
        m_app.SetIdleText(read.Value().note);
    return pAdded;
}

std::string CGameFolderCommands::SoundTitle(const GameOrigin& origin)
{
    return fs::path(origin.folder).filename().string() + " sound " + std::to_string(origin.sound);
}

CGameFolderCommands::Saved CGameFolderCommands::SaveIntoGame(CSoundDoc* pDoc)
{
    const GameOrigin origin = m_app.Documents().GetSession(pDoc)->GetGameOrigin();
    WriteState& state = m_writes[pDoc];
    if (!state.bConfirmed)
    {
        const std::string question =
            "Write the whole song into the game folder " + ToDisplayUtf8(origin.folder) +
            " as sound " + std::to_string(origin.sound) +
            "?\n\nThe game's files that change are copied to " +
            ToDisplayUtf8((fs::path(origin.folder) / ".tarvok-backup").string()) + " first.";
        if (AfxMessageBox(question, MessageKind::Question, Buttons::OkCancel) != Answer::Ok)
            return Saved::No;
        state.bConfirmed = true;
    }
    const Result<std::vector<std::uint8_t>> built = BuildAgiBytes(*pDoc, pDoc->GetWholeSong());
    if (!built.Ok())
    {
        AfxMessageBox(built.Error(), MessageKind::Warning);
        return Saved::No;
    }
    const GameBytes& bytes = built.Value();
    SoundWriteOptions options;
    options.document = pDoc->SaveToBytes();
    for (;;)
    {
        CGameFolder game;
        if (const std::string error = game.Open(origin.folder); !error.empty())
        {
            AfxMessageBox(error, MessageKind::Warning);
            return Saved::No;
        }
        options.earlierBackup = state.backupPath;
        options.expected = state.expected;
        const SoundWriteResult written = WriteWaiting(game, origin.sound, bytes, options);
        // A sound that went in but could not be read back still has its backup.
        if (written.IsWritten())
        {
            state.backupPath = game.GetBackupPath();
            state.expected = bytes;
        }
        switch (written.outcome)
        {
        case SoundWriteOutcome::Written:
            OnWritten(pDoc, origin, bytes.size());
            return Saved::Yes;
        case SoundWriteOutcome::NotReadBack:
            AfxMessageBox(written.message, MessageKind::Warning);
            return Saved::Unchecked;
        case SoundWriteOutcome::ChangedInGame:
            break;
        case SoundWriteOutcome::GaveUp:
            m_app.SetIdleText(written.message);
            return Saved::No;
        case SoundWriteOutcome::Failed:
            AfxMessageBox(written.message, MessageKind::Warning);
            return Saved::No;
        }
        switch (AskChangedInGame(origin.sound))
        {
        case Answer::Yes:
            // Over what is there now, unless that changes too before the write.
            state.expected = CurrentSound(origin.folder, origin.sound);
            continue;
        case Answer::No:
            return Saved::AnotherSound;
        default:
            return Saved::No;
        }
    }
}

SoundWriteResult CGameFolderCommands::WriteWaiting(CGameFolder& game, int n,
                                                   const GameBytes& resource,
                                                   SoundWriteOptions options) const
{
    game.SetBackupsKept(BackupsKept());
    CGameWriteWait wait(game.GetPath(), m_askAfter);
    options.keepWaiting = [&wait](std::chrono::milliseconds waited)
    { return wait.KeepWaiting(waited); };
    return game.WriteSound(n, resource, options);
}

// A document without a file of its own is saved now; one with a file stays modified until
// that file is saved too.
void CGameFolderCommands::OnWritten(CSoundDoc* pDoc, const GameOrigin& origin, std::size_t bytes)
{
    if (pDoc->GetPathName().empty())
    {
        pDoc->SetModifiedFlag(false);
        m_app.Recovery().Store().Forget(pDoc);
    }
    m_app.SetIdleText(WroteGameSoundText(origin.folder, origin.sound, bytes));
}

QStringList CGameFolderCommands::RecentGames() const
{
    return RecentGameList().GetEntries();
}

void CGameFolderCommands::AddRecentGame(const std::string& dir)
{
    CRecentFileList list = RecentGameList();
    list.Add(QString::fromStdString(dir));
    QSettings settings;
    list.WriteList(settings);
}

std::optional<CGameFolderCommands::Target>
CGameFolderCommands::ChooseTarget(const CSoundSession& session)
{
    const GameOrigin oldOrigin = session.GetGameOrigin();
    QStringList games = RecentGames();
    if (oldOrigin.IsSet())
    {
        games.removeAll(QString::fromStdString(oldOrigin.folder));
        games.prepend(QString::fromStdString(oldOrigin.folder));
    }
    CGameTargetDialog dialog(games, oldOrigin.sound, AskGameFolder, m_app.GetMainFrame());
    if (dialog.exec() != QDialog::Accepted || dialog.GetNumber() < 0)
        return std::nullopt;
    Target target{{AbsoluteFolder(dialog.GetFolder().toStdString()), dialog.GetNumber()}, {}};
    if (target.origin == oldOrigin)
    {
        target.state = m_writes[session.GetDocument()];
        return target;
    }
    if (const std::string replaced = dialog.DescribeReplaced(); !replaced.empty())
    {
        const std::string question =
            "The game folder " + ToDisplayUtf8(target.origin.folder) + " holds " + replaced +
            " already. Replace it with this song?\n\nThe game's files that change are copied "
            "to " +
            ToDisplayUtf8((fs::path(target.origin.folder) / ".tarvok-backup").string()) + " first.";
        if (AfxMessageBox(question, MessageKind::Question, Buttons::OkCancel) != Answer::Ok)
            return std::nullopt;
        target.state.bConfirmed = true;
    }
    // What the person agreed to replace, or the free number they chose.
    target.state.expected = CurrentSound(target.origin.folder, target.origin.sound);
    return target;
}

bool CGameFolderCommands::SaveIntoChosenGame(CSoundDoc* pDoc)
{
    CSoundSession* pSession = m_app.Documents().GetSession(pDoc);
    if (pSession == nullptr)
        return false;
    for (;;)
    {
        const std::optional<Target> target = ChooseTarget(*pSession);
        if (!target)
            return false;
        const GameOrigin oldOrigin = pSession->GetGameOrigin();
        const WriteState oldState = m_writes[pDoc];
        pSession->SetGameOrigin(target->origin);
        m_writes[pDoc] = target->state;
        const Saved saved = SaveIntoGame(pDoc);
        if (saved == Saved::Yes || saved == Saved::Unchecked)
        {
            BelongsTo(pDoc, target->origin);
            return saved == Saved::Yes;
        }
        pSession->SetGameOrigin(oldOrigin);
        m_writes[pDoc] = oldState;
        if (saved != Saved::AnotherSound)
            return false;
    }
}

// The document keeps its own file, if it has one; the title names the game's sound as well.
void CGameFolderCommands::BelongsTo(CSoundDoc* pDoc, const GameOrigin& origin)
{
    AddRecentGame(origin.folder);
    if (pDoc->GetPathName().empty())
        pDoc->SetTitle(SoundTitle(origin));
    m_app.Documents().UpdateFrameTitles(pDoc);
}
