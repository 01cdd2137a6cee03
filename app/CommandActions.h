// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QKeyEvent;
class QWidget;

// What a command's rule says of it now.
struct CommandState
{
    CommandState() = default;
    explicit CommandState(bool bEnabledNow, std::optional<bool> bChecked = std::nullopt,
                          QString strText = {})
        : bEnabled(bEnabledNow), checked(bChecked), text(std::move(strText))
    {
    }

    bool bEnabled = true;
    // Whether its check or radio mark shows; nothing for a command without one.
    std::optional<bool> checked;
    // Its menu text while the state decides it (Undo names the step); empty for its own.
    QString text;
    bool bVisible = true;
};

// The main window's commands: each one QAction, made once, with the text, shortcuts, icon,
// status prompt and tooltip the resource tables give its identifier. Its triggered signal
// runs its handler; its rule decides whether it is enabled, checked and what it says. The
// menus and toolbars hold these very actions; the identifiers only find them.
class CCommandActions : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void()>;
    using Rule = std::function<CommandState()>;
    using ControlFactory = std::function<QWidget*(QWidget* pParent)>;

    // The actions belong to pWindow, whose shortcuts they are (Qt::WindowShortcut).
    explicit CCommandActions(QWidget* pWindow);

    // A command without a handler is always disabled (nothing acts on it); one without a
    // rule is always enabled.
    QAction* Add(UINT nID, Handler handler, Rule rule = {});
    // A control that a toolbar shows in place of a button (the IDC_ identifiers).
    QAction* AddControl(UINT nID, ControlFactory create);
    QAction* Find(UINT nID) const;

    // The texts of the menu set in force, and its accelerators: the sound window's keys
    // (IDR_SOUNDTYPE) only while a sound window is active.
    void UseMenuSet(UINT nMenu);
    // Applies every rule to its action.
    void UpdateStates();
    // With the state brought up to date first: runs the command unless it is disabled;
    // whether it ran.
    bool Trigger(UINT nID);
    // Whether the key is a shortcut in force of a command that is disabled now: an
    // accelerator of a disabled command goes nowhere else either.
    bool IsDisabledShortcut(const QKeyEvent& event) const;

signals:
    // A command has run: what it changed may change other commands' states.
    void CommandRan();
    // Every rule has been applied: controls that show state follow it now.
    void StatesUpdated();

private:
    struct Command
    {
        QAction* pAction = nullptr;
        Handler handler;
        Rule rule;
    };
    CommandState StateOf(const Command& command) const;
    QAction* MakeAction(UINT nID);
    void Run(UINT nID);

    QWidget* m_pWindow;
    QHash<UINT, Command> m_commands;
    UINT m_nMenuSet = 0;
    // The commands' own texts in each menu set.
    QHash<UINT, QHash<UINT, QString>> m_texts;
    QHash<UINT, QList<QKeySequence>> m_mainKeys;
    QHash<UINT, QList<QKeySequence>> m_soundKeys;
};
