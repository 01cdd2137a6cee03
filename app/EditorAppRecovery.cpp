// SPDX-License-Identifier: GPL-3.0-or-later
// CEditorApp's care for unsaved work: autosave, recovery after a crash, and the desktop's logout.
#include "app/EditorApp.h"

#include "app/MainFrame.h"
#include "app/QtUserInterface.h"
#include "app/RecoveryDialog.h"
#include "framework/TextCodec.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"

#include <QFile>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSettings>

#include <algorithm>
#include <string>

namespace
{
const char* const kAutosaveKey = "Recovery/IntervalSeconds";
constexpr int kDefaultAutosaveSeconds = 60;
constexpr int kMinAutosaveSeconds = 5;

// "Sound3" for the third untitled document; 0 for any other title.
int UntitledNumber(const std::string& title)
{
    const std::string base = CEditorApp::kUntitledBaseName;
    if (title.size() <= base.size() || title.compare(0, base.size(), base) != 0)
        return 0;
    const std::string digits = title.substr(base.size());
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(digits);
}

#ifndef QT_NO_SESSIONMANAGER
class CSessionLogout : public ILogoutRequest
{
public:
    explicit CSessionLogout(QSessionManager& manager) : m_manager(manager) {}
    bool AllowsInteraction() override { return m_manager.allowsInteraction(); }
    void Cancel() override { m_manager.cancel(); }

private:
    QSessionManager& m_manager;
};
#endif

} // namespace

void CEditorApp::StartAutosave()
{
    QSettings settings;
    const int nSeconds =
        std::max(settings.value(QLatin1String(kAutosaveKey), kDefaultAutosaveSeconds).toInt(),
                 kMinAutosaveSeconds);
    m_autosaveTimer.setInterval(nSeconds * 1000);
    connect(&m_autosaveTimer, &QTimer::timeout, this, &CEditorApp::AutosaveNow,
            Qt::UniqueConnection);
    m_autosaveTimer.start();
}

void CEditorApp::AutosaveNow()
{
    for (const auto& pDoc : m_documents)
    {
        const CSoundSession* pSession = GetSession(pDoc.get());
        if (pDoc->IsModified())
            m_recovery.Write(pDoc.get(),
                             pSession != nullptr ? pSession->GetGameOrigin() : GameOrigin{});
        else
            m_recovery.Forget(pDoc.get());
    }
}

int CEditorApp::RecoverUnsaved()
{
    const std::vector<RecoveredSound> sounds = m_recovery.ClaimOrphans();
    if (sounds.empty())
    {
        // Folders of programs that ended with nothing unsaved.
        m_recovery.ReleaseOrphans(true);
        return 0;
    }
    QStringList names;
    for (const RecoveredSound& sound : sounds)
    {
        QString name = QString::fromStdString(ToDisplayUtf8(sound.title));
        if (!sound.path.empty())
            name += QStringLiteral(" (%1)").arg(PathToQString(sound.path));
        names.append(name);
    }
    CRecoveryDialog dialog(names, m_pMainWnd);
    dialog.exec();
    if (dialog.GetChoice() != CRecoveryDialog::Recover)
    {
        m_recovery.ReleaseOrphans(dialog.GetChoice() == CRecoveryDialog::Discard);
        return 0;
    }
    std::vector<CSoundDoc*> recovered;
    for (const RecoveredSound& sound : sounds)
        if (CSoundDoc* pDoc = OpenRecovered(sound))
            recovered.push_back(pDoc);
    // The old copies go only once this program holds its own.
    AutosaveNow();
    m_recovery.ReleaseOrphans(std::all_of(recovered.begin(), recovered.end(),
                                          [this](const CSoundDoc* pDoc)
                                          { return m_recovery.HasCopy(pDoc); }));
    return static_cast<int>(recovered.size());
}

CSoundDoc* CEditorApp::OpenRecovered(const RecoveredSound& sound)
{
    auto pDoc = std::make_unique<CSoundDoc>();
    if (const Status loaded = pDoc->LoadFromBytes(CRecoveryStore::ReadData(sound)); !loaded.Ok())
    {
        ShowFailure(loaded.GetFailure());
        return nullptr;
    }
    if (!sound.path.empty())
        pDoc->SetPathName(sound.path);
    else
        m_nUntitledCount = std::max(m_nUntitledCount, UntitledNumber(sound.title));
    if (!sound.title.empty())
        pDoc->SetTitle(sound.title);
    // Before its editors exist, so that its history has no saved state to return to.
    pDoc->SetModifiedFlag(true);
    return AddDocument(std::move(pDoc), GameOrigin{sound.gameFolder, sound.gameSound});
}

void CEditorApp::ConnectSessionManager()
{
#ifndef QT_NO_SESSIONMANAGER
    auto* pApplication = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (pApplication == nullptr)
        return;
    connect(pApplication, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager& manager)
            {
                CSessionLogout request(manager);
                OnLogoutRequest(request);
            });
#endif
}

void CEditorApp::OnLogoutRequest(ILogoutRequest& request)
{
    // Whatever happens next, the unsaved work is on the disk.
    AutosaveNow();
    if (request.AllowsInteraction() && !SaveAllModified())
        request.Cancel();
}
