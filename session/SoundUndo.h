// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "views/SoundEditCommand.h"

#include <QObject>
#include <QPointer>
#include <QUndoStack>

#include <cstddef>

class CSoundDoc;
class QWidget;

// The undo history of one document, shared by all its editors. It lives while the document
// has editors (Attach/Detach count them) and keeps the modified flag in step with the
// stack's clean state.
class CSoundUndo : public QObject
{
    Q_OBJECT

public:
    static constexpr std::size_t kDefaultBudget = 64u * 1024 * 1024;

    static void Attach(CSoundDoc* pDoc);
    static void Detach(CSoundDoc* pDoc);
    // Null when the document has no editor.
    static CSoundUndo* For(const CSoundDoc* pDoc);
    // Bytes of history kept per document before the oldest steps go.
    static void SetBudget(std::size_t nBytes);

    CSoundDoc* GetDocument() const { return m_pDoc; }
    QUndoStack& Stack() { return m_stack; }
    bool IsReplaying() const { return m_bReplaying; }

    // Carries the step out and keeps it (or merges it into the one before).
    void Push(CSoundEditCommand* pCommand);
    void Undo();
    void Redo();
    // Puts the document's cursors and current pattern back and shows them in the editors.
    void ReturnTo(const EditorPosition& position);
    void ShowHistory(QWidget* pParent);
    std::size_t HistoryCost() const;

private:
    explicit CSoundUndo(CSoundDoc* pDoc);
    ~CSoundUndo() override;
    // A save clears the modified flag and a change made outside the stack sets it: bring the
    // clean state in line before the stack moves.
    void SyncClean();
    void OnCleanChanged(bool bClean);
    void DropOldest();

    CSoundDoc* m_pDoc;
    QUndoStack m_stack;
    QPointer<QWidget> m_pHistory;
    int m_nEditors = 0;
    bool m_bReplaying = false;
};
