// SPDX-License-Identifier: GPL-3.0-or-later
// CSoundSequenceView's context menu and commands.
#include "views/SoundSequenceView.h"

#include "framework/TextCodec.h"
#include "resources/ResourceTables.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"

#include <QContextMenuEvent>
#include <QMenu>

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

void CSoundSequenceView::BuildContextMenu(QMenu& menu)
{
    // The first popup of the menu resource, its commands sent to this view.
    std::vector<QMenu*> levels{&menu};
    QMenu* pSetPattern = nullptr;
    std::map<UINT, QAction*> actions;
    bool bInFirstPopup = false;
    for (const MenuEntry& entry : GetMenuResource(IDR_SEQUENCE_MENU))
    {
        if (entry.nLevel == 0)
        {
            if (bInFirstPopup)
                break;
            bInFirstPopup = true;
            continue;
        }
        levels.resize(static_cast<std::size_t>(entry.nLevel));
        QMenu* pParent = levels.back();
        if (entry.pszText == nullptr)
        {
            pParent->addSeparator();
        }
        else if (entry.nID == 0)
        {
            levels.push_back(pParent->addMenu(QString::fromUtf8(entry.pszText)));
        }
        else
        {
            QAction* pAction = pParent->addAction(QString::fromUtf8(entry.pszText));
            const UINT nID = entry.nID;
            connect(pAction, &QAction::triggered, this, [this, nID] { OnCommand(nID); });
            actions[nID] = pAction;
            if (nID == ID_SETPATTERN_NONE)
                pSetPattern = pParent;
        }
    }
    auto action = [&actions](UINT nID) -> QAction*
    {
        const auto it = actions.find(nID);
        return it != actions.end() ? it->second : nullptr;
    };

    if (pSetPattern != nullptr)
    {
        // Everything after "None" is rebuilt from the cursor channel's pattern list.
        const QList<QAction*> entries = pSetPattern->actions();
        for (QAction* pEntry : entries)
            if (pEntry != action(ID_SETPATTERN_NONE))
                pSetPattern->removeAction(pEntry);
        CSoundDoc* pDoc = GetDocument();
        const int nChannel = GetSession().GetSequenceCursor().channel;
        if (nChannel >= 0 && nChannel < kChannelCount)
        {
            const auto& patterns = pDoc->GetPatterns(nChannel);
            for (std::size_t i = 0; i < patterns.size(); ++i)
            {
                const char cKey = i <= 9    ? static_cast<char>('0' + i)
                                  : i <= 35 ? static_cast<char>('a' + (i - 10))
                                  : i <= 61 ? static_cast<char>('A' + (i - 36))
                                            : '?';
                const QString text =
                    QString("%1. %2")
                        .arg(QChar(cKey))
                        .arg(QString::fromStdString(ToDisplayUtf8(patterns[i]->GetName())));
                QAction* pEntry = pSetPattern->addAction(text);
                // Entries beyond the command range have nothing to act on them.
                const UINT nID = ID_SETPATTERN_FIRST + static_cast<UINT>(i);
                connect(pEntry, &QAction::triggered, this, [this, nID] { OnCommand(nID); });
            }
        }
    }

    const bool bHasPattern = GetCursorPattern() != nullptr;
    if (QAction* pDefault = action(bHasPattern ? ID_PATTERN_EDIT : ID_PATTERN_NEW))
        menu.setDefaultAction(pDefault);
    for (UINT nID : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_DELETE})
        if (QAction* pAction = action(nID))
            pAction->setEnabled(bHasPattern);
}

void CSoundSequenceView::contextMenuEvent(QContextMenuEvent* pEvent)
{
    QPoint global = pEvent->globalPos();
    if (pEvent->reason() == QContextMenuEvent::Keyboard)
    {
        const SequencePos cursor = GetSession().GetSequenceCursor();
        global = viewport()->mapToGlobal(GetCellRect(cursor.channel, cursor.step).bottomLeft());
    }
    QMenu menu(this);
    BuildContextMenu(menu);
    menu.exec(global);
    pEvent->accept();
}

void CSoundSequenceView::OpenPattern(CSoundPattern* pPattern)
{
    CSoundDoc* pDoc = GetDocument();
    GetSession().SetCurrentPattern(pPattern);
    pDoc->UpdateAllViews(this);
    ActivateNext();
}

void CSoundSequenceView::OnPatternEditor()
{
    if (CSoundPattern* pPattern = GetCursorPattern())
        OpenPattern(pPattern);
    else
        AfxMessageBox("You do not have any pattern to view!\n\nHere, it would be wise to help "
                      "the user add one..");
}

void CSoundSequenceView::OnEditPattern()
{
    if (CSoundPattern* pPattern = GetCursorPattern())
        OpenPattern(pPattern);
}

void CSoundSequenceView::OnNewPattern()
{
    const SequencePos cursor = GetSession().GetSequenceCursor();
    if (NewPatternDialog(cursor.channel, &cursor) != nullptr)
        viewport()->update();
}

void CSoundSequenceView::OnEditDelete()
{
    const SequencePos cursor = GetSession().GetSequenceCursor();
    SoundEdits::DeleteStep(GetSession(), CurrentPosition(), cursor.channel, cursor.step);
}

void CSoundSequenceView::OnPatternProperties()
{
    CSoundDoc* pDoc = GetDocument();
    CSoundPattern* pPattern = GetCursorPattern();
    if (pPattern != nullptr && GetDialogs() != nullptr)
    {
        int nRows;
        std::string name;
        nRows = pPattern->GetRows();
        name = pPattern->GetName();
        if (GetDialogs()->PatternDialog(this, "Pattern properties", nRows, name))
            SoundEdits::ChangePattern(GetSession(), CurrentPosition(), pPattern->GetId(), name,
                                      nRows);
    }
    pDoc->UpdateAllViews(nullptr);
}

void CSoundSequenceView::OnSetStartPosition()
{
    CSoundDoc* pDoc = GetDocument();
    PlayRange range = pDoc->GetPlayRange();
    const int s = std::max(pDoc->GetStepSize(), 1);
    range.start = GetSession().GetSequenceCursor().step * s;
    if (range.start >= range.end)
        range.end = range.start + s;
    SoundEdits::SetPlayRange(GetSession(), CurrentPosition(), range);
    viewport()->update();
}

void CSoundSequenceView::OnSetEndPosition()
{
    CSoundDoc* pDoc = GetDocument();
    PlayRange range = pDoc->GetPlayRange();
    const int s = std::max(pDoc->GetStepSize(), 1);
    range.end = std::max(GetSession().GetSequenceCursor().step * s, s);
    if (range.end <= range.start)
        range.start = range.end - s;
    SoundEdits::SetPlayRange(GetSession(), CurrentPosition(), range);
    viewport()->update();
}

bool CSoundSequenceView::OnCommand(UINT nID)
{
    if (nID >= ID_SETPATTERN_FIRST && nID < ID_SETPATTERN_END)
    {
        CSoundDoc* pDoc = GetDocument();
        SequencePos cursor;
        CSoundPattern* pPattern = nullptr;
        cursor = GetSession().GetSequenceCursor();
        const std::size_t nIndex = nID - ID_SETPATTERN_FIRST;
        if (cursor.channel >= 0 && cursor.channel < kChannelCount &&
            nIndex < pDoc->GetPatterns(cursor.channel).size())
            pPattern = pDoc->GetPatterns(cursor.channel)[nIndex].get();
        if (pPattern != nullptr)
            SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Set Pattern"), cursor,
                                     pPattern->GetId());
        return true;
    }
    switch (nID)
    {
    case ID_SETPATTERN_NONE:
    {
        const SequencePos cursor = GetSession().GetSequenceCursor();
        SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Clear Step"), cursor, 0);
        return true;
    }
    case ID_VIEW_PATTERN_EDITOR:
        OnPatternEditor();
        return true;
    case ID_PATTERN_EDIT:
        OnEditPattern();
        return true;
    case ID_PATTERN_NEW:
        OnNewPattern();
        return true;
    case ID_PATTERN_PROPERTIES:
        OnPatternProperties();
        return true;
    case ID_RANGE_START:
        OnSetStartPosition();
        return true;
    case ID_RANGE_END:
        OnSetEndPosition();
        return true;
    default:
        return CSoundBase::OnCommand(nID);
    }
}

bool CSoundSequenceView::OnUpdateCommand(UINT nID, CCmdUI& ui) const
{
    switch (nID)
    {
    case ID_VIEW_PATTERN_EDITOR:
    case ID_PATTERN_EDIT:
    case ID_PATTERN_NEW:
    case ID_RANGE_START:
    case ID_RANGE_END:
    case ID_EDIT_COPY:
    case ID_EDIT_CUT:
    case ID_EDIT_PASTE:
        ui.Enable(true);
        return true;
    case ID_VIEW_SEQUENCE_EDITOR:
        ui.Enable(false);
        return true;
    case ID_EDIT_DELETE:
    case ID_PATTERN_PROPERTIES:
        ui.Enable(GetCursorPattern() != nullptr);
        return true;
    default:
        return CSoundBase::OnUpdateCommand(nID, ui);
    }
}
