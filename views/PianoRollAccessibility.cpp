// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/EditorAccessibility.h"
#include "views/PianoRollView.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <map>
#include <vector>

namespace
{
class CPianoRollInterface;

// One visible note, found again by its channel and start each time it is asked.
class CNoteInterface : public QAccessibleInterface
{
public:
    CNoteInterface(CPianoRollInterface* pRoll, CPianoRollView::BarKey key)
        : m_pRoll(pRoll), m_key(key)
    {
    }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

private:
    const NoteBar* Bar() const;

    CPianoRollInterface* m_pRoll;
    CPianoRollView::BarKey m_key;
};

class CPianoRollInterface : public QAccessibleWidget
{
public:
    explicit CPianoRollInterface(CPianoRollView* pView)
        : QAccessibleWidget(pView, QAccessible::Canvas, QStringLiteral("Piano roll"))
    {
    }
    ~CPianoRollInterface() override
    {
        for (const auto& [key, id] : m_notes)
            QAccessible::deleteAccessibleInterface(id);
    }

    CPianoRollView* View() const { return static_cast<CPianoRollView*>(widget()); }

    int childCount() const override { return static_cast<int>(Visible().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const std::vector<CPianoRollView::BarKey> keys = Visible();
        if (index < 0 || index >= static_cast<int>(keys.size()))
            return nullptr;
        return Note(keys[static_cast<std::size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* pChild) const override
    {
        const std::vector<CPianoRollView::BarKey> keys = Visible();
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (Note(keys[i]) == pChild)
                return static_cast<int>(i);
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (const CPianoRollView::BarKey& key : Visible())
            if (QAccessibleInterface* pNote = Note(key); pNote->rect().contains(x, y))
                return pNote;
        return nullptr;
    }

private:
    // Every visible note, Voice0 to Noise, each in time order.
    std::vector<CPianoRollView::BarKey> Visible() const
    {
        std::vector<CPianoRollView::BarKey> keys;
        if (!isValid())
            return keys;
        const CPianoRollView* pView = View();
        for (const auto& [channel, pBar] : pView->VisibleBars())
            keys.emplace_back(channel, pBar->start);
        // Notes that are gone leave the cache.
        for (auto it = m_notes.begin(); it != m_notes.end();)
        {
            const NoteBar* pBar = pView->Bars(it->first.first).At(it->first.second);
            if (pBar == nullptr || pBar->start != it->first.second)
            {
                QAccessible::deleteAccessibleInterface(it->second);
                it = m_notes.erase(it);
            }
            else
                ++it;
        }
        return keys;
    }

    QAccessibleInterface* Note(const CPianoRollView::BarKey& key) const
    {
        auto& id = m_notes[key];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(
                new CNoteInterface(const_cast<CPianoRollInterface*>(this), key));
        return QAccessible::accessibleInterface(id);
    }

    mutable std::map<CPianoRollView::BarKey, QAccessible::Id> m_notes;
};

const NoteBar* CNoteInterface::Bar() const
{
    if (!m_pRoll->isValid())
        return nullptr;
    const NoteBar* pBar = m_pRoll->View()->Bars(m_key.first).At(m_key.second);
    return pBar != nullptr && pBar->start == m_key.second ? pBar : nullptr;
}

bool CNoteInterface::isValid() const
{
    return Bar() != nullptr;
}

QAccessibleInterface* CNoteInterface::parent() const
{
    return m_pRoll;
}

QString CNoteInterface::text(QAccessible::Text t) const
{
    const NoteBar* pBar = Bar();
    if (pBar == nullptr || t != QAccessible::Name)
        return {};
    return CPianoRollView::BarName(m_key.first, *pBar);
}

QRect CNoteInterface::rect() const
{
    const NoteBar* pBar = Bar();
    if (pBar == nullptr)
        return {};
    const CPianoRollView* pView = m_pRoll->View();
    const QRect local = pView->BarRect(m_key.first, *pBar);
    return QRect(pView->viewport()->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State CNoteInterface::state() const
{
    QAccessible::State state;
    state.selectable = true;
    const NoteBar* pBar = Bar();
    state.invisible = pBar == nullptr;
    state.selected = pBar != nullptr && m_pRoll->View()->Selection().count(m_key) != 0;
    return state;
}
} // namespace

QAccessibleInterface* PianoRollAccessible(QObject* pObject)
{
    return new CPianoRollInterface(static_cast<CPianoRollView*>(pObject));
}
