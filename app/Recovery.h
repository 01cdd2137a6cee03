// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/RecoveryStore.h"

#include <QObject>
#include <QTimer>

class CEditorApp;
class CSoundDoc;

// The desktop session's question before a logout, as the save prompts need it.
class ILogoutRequest
{
public:
    virtual ~ILogoutRequest() = default;
    virtual bool AllowsInteraction() = 0;
    // Stops the logout.
    virtual void Cancel() = 0;
};

// The care for unsaved work: the recovery copies of the modified documents, written every
// Recovery/IntervalSeconds seconds, offered back at the next start after a crash, and the
// save prompts of a logout.
class CRecovery : public QObject
{
    Q_OBJECT
public:
    explicit CRecovery(CEditorApp& app);

    CRecoveryStore& Store() { return m_store; }
    // Takes this program's folder of copies.
    void Open() { m_store.Open(); }
    // A clean exit: the timer stops and the copies go.
    void Close();
    void StartAutosave();
    // The timer runs only while some document has changes to keep: an editor at rest is
    // not woken for nothing. Called whenever a document may have changed its modified mark.
    void UpdateAutosave();
    bool IsAutosaving() const { return m_autosaveTimer.isActive(); }
    // Writes the recovery copy of every modified document now.
    void AutosaveNow();
    // Offers the copies earlier programs left; returns how many documents were recovered.
    int RecoverUnsaved();
    void ConnectSessionManager();
    // Offers to save modified documents, as Exit does; a cancel cancels the logout.
    void OnLogoutRequest(ILogoutRequest& request);

private:
    CSoundDoc* OpenRecovered(const RecoveredSound& sound);

    CEditorApp& m_app;
    CRecoveryStore m_store;
    QTimer m_autosaveTimer;
    bool m_bAutosave = false; // between StartAutosave and Close
};
