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
#include "sound/AgiFile.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "views/SoundFrame.h"

#include <QMdiArea>
#include <QSettings>

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

std::string GameSoundTitle(const std::string& dir, int n)
{
    return fs::path(dir).filename().string() + " sound " + std::to_string(n);
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
    std::unique_ptr<CSoundDoc> pDoc = LoadGameSound(game, n);
    if (pDoc == nullptr)
        return nullptr;
    pDoc->SetTitle(GameSoundTitle(folder, n));
    CSoundDoc* pAdded = m_app.Documents().AddDocument(std::move(pDoc), GameOrigin{folder, n});
    // The game's own interpreter decides how its notes fade, unless the menu says otherwise.
    if (CSoundSession* pSession =
            pAdded != nullptr ? m_app.Documents().GetSession(pAdded) : nullptr)
        pSession->SetInterpreterFade(game.GetInterpreterFade());
    return pAdded;
}

bool CGameFolderCommands::SaveIntoGame(CSoundDoc* pDoc)
{
    const CSoundSession* pSession = m_app.Documents().GetSession(pDoc);
    if (pSession == nullptr)
        return false;
    const std::string folder = pSession->GetGameOrigin().folder;
    const int n = pSession->GetGameOrigin().sound;
    WriteState& state = m_writes[pDoc];
    if (!state.bConfirmed)
    {
        const std::string question =
            "Write the whole song into the game folder " + ToDisplayUtf8(folder) + " as sound " +
            std::to_string(n) + "?\n\nThe game's files that change are copied to " +
            ToDisplayUtf8((fs::path(folder) / ".tarvok-backup").string()) + " first.";
        if (AfxMessageBox(question, MessageKind::Question, Buttons::OkCancel) != Answer::Ok)
            return false;
        state.bConfirmed = true;
    }
    const Result<std::vector<std::uint8_t>> built = BuildAgiBytes(*pDoc, pDoc->GetWholeSong());
    std::string error = built.Error();
    CGameFolder game;
    if (error.empty())
        error = game.Open(folder);
    game.SetBackupsKept(
        QSettings()
            .value(QStringLiteral("GameFolder/Backups"), CGameFolder::kDefaultBackupsKept)
            .toInt());
    SoundWriteResult written;
    if (error.empty())
    {
        written = game.WriteSound(n, built.Value(), {state.backupPath, {}, {}});
        error = written.message;
    }
    // A sound that went in but could not be read back still has its backup.
    if (written.IsWritten())
        state.backupPath = game.GetBackupPath();
    if (!error.empty())
    {
        AfxMessageBox(error, MessageKind::Warning);
        return false;
    }
    pDoc->SetModifiedFlag(false);
    m_app.SetIdleText(WroteGameSoundText(folder, n, built.Value().size()));
    return true;
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

bool CGameFolderCommands::SaveIntoChosenGame(CSoundDoc* pDoc)
{
    CSoundSession* pSession = m_app.Documents().GetSession(pDoc);
    if (pSession == nullptr)
        return false;
    const GameOrigin oldOrigin = pSession->GetGameOrigin();
    QStringList games = RecentGames();
    if (oldOrigin.IsSet())
    {
        games.removeAll(QString::fromStdString(oldOrigin.folder));
        games.prepend(QString::fromStdString(oldOrigin.folder));
    }
    CGameTargetDialog dialog(games, oldOrigin.sound, AskGameFolder, m_app.GetMainFrame());
    if (dialog.exec() != QDialog::Accepted || dialog.GetNumber() < 0)
        return false;
    const GameOrigin target{AbsoluteFolder(dialog.GetFolder().toStdString()), dialog.GetNumber()};
    const bool bSameTarget = target == oldOrigin;
    WriteState state = bSameTarget ? m_writes[pDoc] : WriteState{};
    if (const std::string replaced = dialog.DescribeReplaced(); !replaced.empty() && !bSameTarget)
    {
        const std::string question =
            "The game folder " + ToDisplayUtf8(target.folder) + " holds " + replaced +
            " already. Replace it with this song?\n\nThe game's files that change are copied to " +
            ToDisplayUtf8((fs::path(target.folder) / ".tarvok-backup").string()) + " first.";
        if (AfxMessageBox(question, MessageKind::Question, Buttons::OkCancel) != Answer::Ok)
            return false;
        state.bConfirmed = true;
    }
    const WriteState oldState = m_writes[pDoc];
    pSession->SetGameOrigin(target);
    m_writes[pDoc] = state;
    if (!SaveIntoGame(pDoc))
    {
        pSession->SetGameOrigin(oldOrigin);
        m_writes[pDoc] = oldState;
        return false;
    }
    AddRecentGame(target.folder);
    // From now on the document is that game sound: Save writes there again.
    pDoc->SetPathName({});
    pDoc->SetTitle(GameSoundTitle(target.folder, target.sound));
    m_app.Documents().UpdateFrameTitles(pDoc);
    return true;
}
