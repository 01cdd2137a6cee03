// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/SoundEditCommand.h"

#include <QObject>
#include <QPointer>
#include <QUndoStack>

#include <cstddef>

class CSoundDoc;
class CSoundSession;

// The undo history of one document, shared by all its editors; its session owns it. It
// keeps the modified flag in step with the stack's clean state.
class CSoundUndo : public QObject
{
    Q_OBJECT

public:
    static constexpr std::size_t kDefaultBudget = 64u * 1024 * 1024;

    explicit CSoundUndo(CSoundSession& session);
    ~CSoundUndo() override;

    // Bytes of history kept before the oldest steps go.
    void SetBudget(std::size_t nBytes) { m_nBudget = nBytes; }

    CSoundDoc* GetDocument() const { return m_pDoc; }
    QUndoStack& Stack() { return m_stack; }
    bool IsReplaying() const { return m_bReplaying; }

    // Carries the step out and keeps it (or merges it into the one before).
    void Push(CSoundEditCommand* pCommand);
    void Undo();
    void Redo();
    // Puts the session's cursors and current pattern back and shows them in the editors.
    void ReturnTo(const EditorPosition& position);
    std::size_t HistoryCost() const;
    // The window listing the steps, while it is open; it closes with the history.
    QObject* GetHistoryWindow() const { return m_pHistory; }
    void SetHistoryWindow(QObject* pWindow) { m_pHistory = pWindow; }

private:
    // A save clears the modified flag and a change made outside the stack sets it: bring the
    // clean state in line before the stack moves.
    void SyncClean();
    void OnCleanChanged(bool bClean);
    void DropOldest();

    CSoundSession& m_session;
    CSoundDoc* m_pDoc;
    QUndoStack m_stack;
    QPointer<QObject> m_pHistory;
    std::size_t m_nBudget = kDefaultBudget;
    bool m_bReplaying = false;
};
