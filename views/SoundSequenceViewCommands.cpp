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

namespace
{
using SequenceHandler = void (CSoundSequenceView::*)();

// What each entry of the context menu does, by the entry's identifier in the menu table.
const std::pair<UINT, SequenceHandler> kContextHandlers[] = {
    {ID_PATTERN_EDIT, &CSoundSequenceView::OnEditPattern},
    {ID_EDIT_UNDO, &CSoundSequenceView::OnEditUndo},
    {ID_EDIT_REDO, &CSoundSequenceView::OnEditRedo},
    {ID_EDIT_CUT, &CSoundSequenceView::OnEditCut},
    {ID_EDIT_COPY, &CSoundSequenceView::OnEditCopy},
    {ID_EDIT_PASTE, &CSoundSequenceView::OnEditPaste},
    {ID_EDIT_DELETE, &CSoundSequenceView::OnEditDelete},
    {ID_PATTERN_NEW, &CSoundSequenceView::OnNewPattern},
    {ID_SETPATTERN_NONE, &CSoundSequenceView::OnClearStep},
    {ID_RANGE_START, &CSoundSequenceView::OnSetStartPosition},
    {ID_RANGE_END, &CSoundSequenceView::OnSetEndPosition},
    {ID_RANGE_WHOLE, &CSoundSequenceView::OnWholeSongRange},
    {ID_PATTERN_PROPERTIES, &CSoundSequenceView::OnPatternProperties},
};

SequenceHandler ContextHandler(UINT nID)
{
    for (const auto& [nEntry, handler] : kContextHandlers)
        if (nEntry == nID)
            return handler;
    return nullptr;
}

// "3. name": the key that places the pattern, then its name.
QString SetPatternText(std::size_t nIndex, const std::string& name)
{
    const char cKey = nIndex <= 9    ? static_cast<char>('0' + nIndex)
                      : nIndex <= 35 ? static_cast<char>('a' + (nIndex - 10))
                      : nIndex <= 61 ? static_cast<char>('A' + (nIndex - 36))
                                     : '?';
    return QString("%1. %2").arg(QChar(cKey)).arg(QString::fromStdString(ToDisplayUtf8(name)));
}
} // namespace

void CSoundSequenceView::BuildContextMenu(QMenu& menu)
{
    // The first popup of the menu resource, each entry acting on this view.
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
            if (const SequenceHandler handler = ContextHandler(entry.nID))
                connect(pAction, &QAction::triggered, this,
                        [this, handler] { (this->*handler)(); });
            actions[entry.nID] = pAction;
            if (entry.nID == ID_SETPATTERN_NONE)
                pSetPattern = pParent;
        }
    }
    auto action = [&actions](UINT nID) -> QAction*
    {
        const auto it = actions.find(nID);
        return it != actions.end() ? it->second : nullptr;
    };

    // After "None", the cursor channel's patterns.
    const int nChannel = GetSession().GetSequenceCursor().channel;
    if (pSetPattern != nullptr && nChannel >= 0 && nChannel < kChannelCount)
    {
        const auto& patterns = GetDocument()->GetPatterns(nChannel);
        for (std::size_t i = 0; i < patterns.size(); ++i)
            connect(pSetPattern->addAction(SetPatternText(i, patterns[i]->GetName())),
                    &QAction::triggered, this, [this, i] { OnSetPattern(i); });
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
    // The step under the cursor is the last one played.
    range.end = (GetSession().GetSequenceCursor().step + 1) * s;
    if (range.end <= range.start)
        range.start = range.end - s;
    SoundEdits::SetPlayRange(GetSession(), CurrentPosition(), range);
    viewport()->update();
}

void CSoundSequenceView::OnSetPattern(std::size_t nIndex)
{
    const SequencePos cursor = GetSession().GetSequenceCursor();
    if (cursor.channel < 0 || cursor.channel >= kChannelCount)
        return;
    const auto& patterns = GetDocument()->GetPatterns(cursor.channel);
    if (nIndex < patterns.size())
        SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Set Pattern"), cursor,
                                 patterns[nIndex]->GetId());
}

void CSoundSequenceView::OnClearStep()
{
    SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Clear Step"),
                             GetSession().GetSequenceCursor(), 0);
}
