// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandActions.h"

#include "resources/Icons.h"
#include "resources/ResourceTables.h"

#include <QAction>
#include <QKeyEvent>
#include <QWidget>
#include <QWidgetAction>

namespace
{
// A toolbar control (the chip list, the octave box) made by the toolbar that shows it.
class CControlAction : public QWidgetAction
{
public:
    CControlAction(QObject* pParent, CCommandActions::ControlFactory create)
        : QWidgetAction(pParent), m_create(std::move(create))
    {
    }

protected:
    QWidget* createWidget(QWidget* pParent) override { return m_create(pParent); }

private:
    CCommandActions::ControlFactory m_create;
};

QHash<UINT, QList<QKeySequence>> KeysOf(UINT nTable)
{
    QHash<UINT, QList<QKeySequence>> keys;
    for (const AccelEntry& entry : GetAcceleratorResource(nTable))
        keys[entry.nID].append(QKeySequence(QString::fromLatin1(entry.pszKeys)));
    return keys;
}

QHash<UINT, QString> TextsOf(UINT nMenu)
{
    QHash<UINT, QString> texts;
    for (const MenuEntry& entry : GetMenuResource(nMenu))
        if (entry.nID != 0 && entry.pszText != nullptr)
            texts.insert(entry.nID, QString::fromUtf8(entry.pszText));
    return texts;
}
} // namespace

CCommandActions::CCommandActions(QWidget* pWindow)
    : QObject(pWindow), m_pWindow(pWindow), m_mainKeys(KeysOf(IDR_MAINFRAME)),
      m_soundKeys(KeysOf(IDR_SOUNDTYPE))
{
    for (const UINT nMenu : {IDR_MAINFRAME, IDR_SOUNDTYPE})
        m_texts.insert(nMenu, TextsOf(nMenu));
}

QAction* CCommandActions::Add(UINT nID, Handler handler, Rule rule)
{
    QAction* pAction = MakeAction(nID);
    m_commands.insert(nID, {pAction, std::move(handler), std::move(rule)});
    connect(pAction, &QAction::triggered, this, [this, nID] { Run(nID); });
    return pAction;
}

QAction* CCommandActions::AddControl(UINT nID, ControlFactory create)
{
    auto* pAction = new CControlAction(m_pWindow, std::move(create));
    m_commands.insert(nID, {pAction, {}, [] { return CommandState{}; }});
    return pAction;
}

QAction* CCommandActions::MakeAction(UINT nID)
{
    // Toolbar-only commands have their tooltip for a text.
    QString text = m_texts[IDR_SOUNDTYPE].value(nID, m_texts[IDR_MAINFRAME].value(nID));
    if (text.isEmpty())
        text = QString::fromStdString(GetTooltipText(nID));
    auto* pAction = new QAction(text, m_pWindow);
    pAction->setStatusTip(QString::fromStdString(GetPromptText(nID)));
    if (const std::string tooltip = GetTooltipText(nID); !tooltip.empty())
        pAction->setToolTip(QString::fromStdString(tooltip));
    pAction->setIcon(CommandIcon(nID));
    // The menus show texts only, the toolbars icons only.
    pAction->setIconVisibleInMenu(false);
    pAction->setShortcutContext(Qt::WindowShortcut);
    pAction->setShortcuts(m_mainKeys.value(nID));
    m_pWindow->addAction(pAction);
    return pAction;
}

QAction* CCommandActions::Find(UINT nID) const
{
    const auto it = m_commands.constFind(nID);
    return it != m_commands.constEnd() ? it->pAction : nullptr;
}

void CCommandActions::UseMenuSet(UINT nMenu)
{
    m_nMenuSet = nMenu;
    const QHash<UINT, QString>& texts = m_texts[nMenu];
    for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it)
    {
        QList<QKeySequence> keys = m_mainKeys.value(it.key());
        if (nMenu == IDR_SOUNDTYPE)
            keys += m_soundKeys.value(it.key());
        it->pAction->setShortcuts(keys);
        if (texts.contains(it.key()))
            it->pAction->setText(texts[it.key()]);
    }
}

CommandState CCommandActions::StateOf(const Command& command) const
{
    if (command.rule)
        return command.rule();
    return CommandState{command.handler != nullptr};
}

void CCommandActions::UpdateStates()
{
    const QHash<UINT, QString>& texts = m_texts[m_nMenuSet];
    for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it)
    {
        const CommandState state = StateOf(*it);
        QAction* pAction = it->pAction;
        pAction->setEnabled(state.bEnabled);
        pAction->setVisible(state.bVisible);
        // A mark shows only while the rule gives one (Play Notes without an editor has none).
        pAction->setCheckable(state.checked.has_value());
        if (state.checked)
            pAction->setChecked(*state.checked);
        if (!state.text.isEmpty())
            pAction->setText(state.text);
        else if (texts.contains(it.key()))
            pAction->setText(texts[it.key()]);
    }
    emit StatesUpdated();
}

bool CCommandActions::Trigger(UINT nID)
{
    UpdateStates();
    QAction* pAction = Find(nID);
    if (pAction == nullptr || !pAction->isEnabled() || !pAction->isVisible())
        return false;
    pAction->trigger();
    return true;
}

void CCommandActions::Run(UINT nID)
{
    const auto it = m_commands.constFind(nID);
    if (it == m_commands.constEnd())
        return;
    // A button or key whose state is out of date must not run what the rule refuses now.
    const Handler handler = StateOf(*it).bEnabled ? it->handler : Handler();
    if (handler)
        handler();
    emit CommandRan();
}

bool CCommandActions::IsDisabledShortcut(const QKeyEvent& event) const
{
    // A keypad key matches the key's shortcut too, as it does for the toolkit.
    const QKeyCombination pressed = event.keyCombination();
    const QKeySequence keys[] = {
        QKeySequence(pressed),
        QKeySequence(
            QKeyCombination(pressed.keyboardModifiers() & ~Qt::KeypadModifier, pressed.key()))};
    for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it)
        for (const QKeySequence& key : keys)
            if (it->pAction->shortcuts().contains(key))
                return !StateOf(*it).bEnabled;
    return false;
}
