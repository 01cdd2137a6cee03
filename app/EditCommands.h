// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandActions.h"

class CEditorApp;
class QUndoStack;

// The Edit menu: the active editor's history, clipboard and Delete.
class CEditCommands
{
public:
    explicit CEditCommands(CEditorApp& app) : m_app(app) {}

    void CreateActions(CCommandActions& commands);

    // Undo and Redo name the step they take back or make again.
    static CommandState UndoState(const QUndoStack& stack);
    static CommandState RedoState(const QUndoStack& stack);

private:
    CEditorApp& m_app;
};
