// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Recovery.h"

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

CRecovery::CRecovery(CEditorApp& app) : m_app(app) {}

void CRecovery::Close()
{
    m_bAutosave = false;
    m_autosaveTimer.stop();
    m_store.Close();
}

void CRecovery::StartAutosave()
{
    QSettings settings;
    const int nSeconds =
        std::max(settings.value(QLatin1String(kAutosaveKey), kDefaultAutosaveSeconds).toInt(),
                 kMinAutosaveSeconds);
    m_autosaveTimer.setInterval(nSeconds * 1000);
    connect(&m_autosaveTimer, &QTimer::timeout, this, &CRecovery::AutosaveNow,
            Qt::UniqueConnection);
    m_bAutosave = true;
    UpdateAutosave();
}

void CRecovery::UpdateAutosave()
{
    const auto& documents = m_app.Documents().GetDocuments();
    const bool bChanges = std::any_of(documents.begin(), documents.end(),
                                      [](const auto& pDoc) { return pDoc->IsModified(); });
    if (!m_bAutosave || !bChanges)
        m_autosaveTimer.stop();
    else if (!m_autosaveTimer.isActive())
        m_autosaveTimer.start();
}

void CRecovery::AutosaveNow()
{
    for (const auto& pDoc : m_app.Documents().GetDocuments())
    {
        const CSoundSession* pSession = m_app.Documents().GetSession(pDoc.get());
        if (pDoc->IsModified())
            m_store.Write(pDoc.get(),
                          pSession != nullptr ? pSession->GetGameOrigin() : GameOrigin{});
        else
            m_store.Forget(pDoc.get());
    }
    UpdateAutosave();
}

int CRecovery::RecoverUnsaved()
{
    const std::vector<RecoveredSound> sounds = m_store.ClaimOrphans();
    if (sounds.empty())
    {
        // Folders of programs that ended with nothing unsaved.
        m_store.ReleaseOrphans(true);
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
    CRecoveryDialog dialog(names, m_app.GetMainFrame());
    dialog.exec();
    if (dialog.GetChoice() != CRecoveryDialog::Recover)
    {
        m_store.ReleaseOrphans(dialog.GetChoice() == CRecoveryDialog::Discard);
        return 0;
    }
    std::vector<CSoundDoc*> recovered;
    for (const RecoveredSound& sound : sounds)
        if (CSoundDoc* pDoc = OpenRecovered(sound))
            recovered.push_back(pDoc);
    // The old copies go only once this program holds its own.
    AutosaveNow();
    m_store.ReleaseOrphans(std::all_of(recovered.begin(), recovered.end(),
                                       [this](const CSoundDoc* pDoc)
                                       { return m_store.HasCopy(pDoc); }));
    return static_cast<int>(recovered.size());
}

CSoundDoc* CRecovery::OpenRecovered(const RecoveredSound& sound)
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
        m_app.Documents().CountUntitled(sound.title);
    if (!sound.title.empty())
        pDoc->SetTitle(sound.title);
    // Before its editors exist, so that its history has no saved state to return to.
    pDoc->SetModifiedFlag(true);
    return m_app.Documents().AddDocument(std::move(pDoc),
                                         GameOrigin{sound.gameFolder, sound.gameSound});
}

void CRecovery::ConnectSessionManager()
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

void CRecovery::OnLogoutRequest(ILogoutRequest& request)
{
    // Whatever happens next, the unsaved work is on the disk.
    AutosaveNow();
    if (request.AllowsInteraction() && !m_app.Documents().SaveAllModified())
        request.Cancel();
}
