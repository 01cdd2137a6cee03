// SPDX-License-Identifier: GPL-3.0-or-later
// CSoundBase's commands: the transport, the history, and the document's settings.
#include "views/SoundBase.h"

#include "session/SoundSession.h"
#include "session/SoundUndo.h"
#include "session/SoundUndoCommands.h"
#include "sound/PlayRangeFollow.h"
#include "sound/SoundDoc.h"
#include "views/CloseKeys.h"
#include "views/NoteKeyboard.h"

#include <QUndoView>

void CSoundBase::OnPlay()
{
    const std::int32_t row = m_pSession->GetResumeRow();
    if (GetTransport() != nullptr)
        GetTransport()->PostPlay(m_pDocument, m_pSession, row);
    m_pSession->OnPlayStarted(row);
    SayWhatPlays();
}

void CSoundBase::SayWhatPlays() const
{
    SetIdleText(PlayingRowsText(m_pDocument->GetPlayRange(), m_pDocument->GetWholeSongEnd()));
}

void CSoundBase::OnPlayFrom()
{
    const std::optional<int> from = PlayFromPosition();
    // The stop tells the row it heard: the start row is chosen after it.
    if (m_pSession->IsPlaying() && !m_pSession->IsPaused() && GetTransport() != nullptr)
        GetTransport()->PostStop();
    const PlayRange range = m_pDocument->GetPlayRange();
    const bool bInRange = from && *from >= range.start && *from <= range.end;
    const std::int32_t row = bInRange ? *from : range.start;
    if (GetTransport() != nullptr)
        GetTransport()->PostPlayFrom(m_pDocument, m_pSession, row);
    m_pSession->OnPlayStarted(row);
    SayWhatPlays();
}

int CSoundBase::GetOctave() const
{
    return CNoteKeyboard::Instance().GetOctave();
}

void CSoundBase::SetOctave(int nOctave)
{
    CNoteKeyboard::Instance().SetOctave(nOctave);
}

void CSoundBase::OnPause()
{
    if (GetTransport() != nullptr)
        GetTransport()->PostStop();
    m_pSession->OnPaused();
}

void CSoundBase::OnStop()
{
    if (GetTransport() != nullptr)
        GetTransport()->PostStop();
    m_pSession->OnStopped();
    // Every editor of the document shows the marker, so every one loses it.
    for (IDocumentView* pView : m_pDocument->GetViews())
        if (auto* pSoundView = dynamic_cast<CSoundBase*>(pView))
            pSoundView->viewport()->update();
}

void CSoundBase::OnProperties()
{
    if (GetDialogs() == nullptr)
        return;
    int nBpm = m_pDocument->GetBeatsPerMinute();
    int nStep = m_pDocument->GetStepSize();
    int nTpb = m_pDocument->GetTracksPerBeat();
    if (!GetDialogs()->PropertiesDialog(this, nBpm, nStep, nTpb))
        return;
    SoundEdits::SetProperties(*m_pSession, CurrentPosition(), {nBpm, nStep, nTpb});
    // Unchanged properties make no undo step; the views are refreshed all the same.
    m_pDocument->UpdateAllViews(nullptr);
}

bool CSoundBase::OnHistoryCommand(UINT nID)
{
    CSoundUndo& undo = m_pSession->Undo();
    if (nID == ID_EDIT_UNDO)
        undo.Undo();
    else if (nID == ID_EDIT_REDO)
        undo.Redo();
    else if (nID == ID_EDIT_HISTORY)
        OnShowHistory();
    else
        return false;
    return true;
}

void CSoundBase::OnShowHistory()
{
    CSoundUndo& undo = m_pSession->Undo();
    auto* pHistory = qobject_cast<QWidget*>(undo.GetHistoryWindow());
    if (pHistory == nullptr)
    {
        auto* pView = new QUndoView(&undo.Stack(), window());
        pView->setWindowFlags(Qt::Tool);
        pView->setAttribute(Qt::WA_DeleteOnClose);
        pView->setEmptyLabel(tr("<original>"));
        pView->setWindowTitle(QString::fromStdString(m_pDocument->GetTitle()) + tr(" - History"));
        pView->resize(260, 320);
        CCloseKeys::Install(pView);
        undo.SetHistoryWindow(pView);
        pHistory = pView;
    }
    pHistory->show();
    pHistory->raise();
}

bool CSoundBase::OnUpdateHistoryCommand(UINT nID, CCmdUI& ui) const
{
    if (nID != ID_EDIT_UNDO && nID != ID_EDIT_REDO && nID != ID_EDIT_HISTORY)
        return false;
    const QUndoStack& stack = m_pSession->Undo().Stack();
    if (nID == ID_EDIT_UNDO)
    {
        ui.Enable(stack.canUndo());
        ui.SetText((stack.canUndo() ? "&Undo " + stack.undoText().toStdString() : "&Undo") +
                   "\tCtrl+Z");
    }
    else if (nID == ID_EDIT_REDO)
    {
        ui.Enable(stack.canRedo());
        ui.SetText((stack.canRedo() ? "&Redo " + stack.redoText().toStdString() : "&Redo") +
                   "\tCtrl+Y");
    }
    else
    {
        ui.Enable(true);
    }
    return true;
}

bool CSoundBase::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    return pCmdUI != nullptr ? OnUpdateCommand(nID, *pCmdUI) : OnCommand(nID);
}

bool CSoundBase::OnCommand(UINT nID)
{
    if (OnHistoryCommand(nID))
        return true;
    switch (nID)
    {
    case ID_EDIT_DELETE:
        OnEditDelete();
        return true;
    case ID_EDIT_COPY:
        OnEditCopy();
        return true;
    case ID_EDIT_CUT:
        OnEditCut();
        return true;
    case ID_EDIT_PASTE:
        OnEditPaste();
        return true;
    case ID_SOUND_PLAY:
        OnPlay();
        return true;
    case ID_SOUND_STOP:
        OnStop();
        return true;
    case ID_SOUND_PLAYFROM:
        OnPlayFrom();
        return true;
    case ID_SOUND_PAUSE:
        OnPause();
        return true;
    case ID_SOUND_PLAYNOTES:
        m_pSession->SetPlayNotes(!m_pSession->GetPlayNotes());
        return true;
    case ID_SOUND_PROPERTIES:
        OnProperties();
        return true;
    case ID_SOUND_MANAGEPATTERNS:
        if (GetDialogs() != nullptr)
            GetDialogs()->ManagePatternsDialog(this, *m_pSession);
        return true;
    case ID_VIEW_SOUNDBAR:
        if (GetHost() != nullptr)
            GetHost()->ShowToolbar(IDR_SOUNDTYPE, !GetHost()->IsToolbarVisible(IDR_SOUNDTYPE));
        return true;
    default:
        return false;
    }
}

bool CSoundBase::OnUpdateCommand(UINT nID, CCmdUI& ui) const
{
    if (OnUpdateHistoryCommand(nID, ui))
        return true;
    const bool bPlaying = m_pSession->IsPlaying();
    const bool bPaused = m_pSession->IsPaused();
    switch (nID)
    {
    case ID_SOUND_PLAY:
        ui.Enable(!bPlaying || bPaused);
        return true;
    case ID_SOUND_PAUSE:
        ui.Enable(bPlaying && !bPaused);
        return true;
    case ID_SOUND_STOP:
        ui.Enable(bPlaying);
        return true;
    case ID_SOUND_PLAYNOTES:
        ui.Enable(true);
        ui.SetCheck(m_pSession->GetPlayNotes());
        return true;
    case ID_VIEW_SOUNDBAR:
        ui.Enable(true);
        ui.SetCheck(GetHost() != nullptr && GetHost()->IsToolbarVisible(IDR_SOUNDTYPE));
        return true;
    case ID_SOUND_PLAYFROM:
    case ID_SOUND_PROPERTIES:
    case ID_SOUND_MANAGEPATTERNS:
        ui.Enable(true);
        return true;
    default:
        return false;
    }
}
