// SPDX-License-Identifier: GPL-3.0-or-later
// CSoundBase's commands: the transport, the history, and the document's settings.
#include "views/SoundBase.h"

#include "session/SoundSession.h"
#include "session/SoundUndo.h"
#include "session/SoundUndoCommands.h"
#include "sound/AgiResource.h"
#include "sound/GameTempo.h"
#include "sound/PlayRangeFollow.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/CloseKeys.h"
#include "views/NoteKeyboard.h"

#include <QUndoView>

#include <mutex>

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
    const PlayRange range = m_pDocument->GetPlayRange();
    std::string text = PlayingRowsText(range, m_pDocument->GetWholeSongEnd());
    // The chip plays records, not a resource, so a song too long for one still plays.
    std::lock_guard lock(m_pDocument->Guard());
    if (!BuildAgiResource(*m_pDocument, range).Ok())
        text += std::string(" \u2013 ") + kAgiExportWillRefuseText;
    SetIdleText(text);
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

void CSoundBase::OnRecord()
{
    CLiveRecorder& recorder = m_pSession->Recorder();
    if (recorder.IsRecording())
    {
        recorder.End();
        SayWhatPlays();
        return;
    }
    if (!m_pSession->IsPlaying() || m_pSession->IsPaused())
        OnPlay();
    const CNoteKeyboard& keyboard = CNoteKeyboard::Instance();
    recorder.Start(keyboard.IsRecordToStep() ? m_pDocument->GetStepSize() : 1);
    if (recorder.IsRecording())
        SetIdleText("Recording");
}

void CSoundBase::OnPause()
{
    const bool bRecording = m_pSession->Recorder().IsRecording();
    if (GetTransport() != nullptr)
        GetTransport()->PostStop();
    m_pSession->OnPaused();
    if (bRecording)
        SetIdleMessage(AFX_IDS_IDLEMESSAGE);
}

void CSoundBase::OnStop()
{
    const bool bRecording = m_pSession->Recorder().IsRecording();
    if (GetTransport() != nullptr)
        GetTransport()->PostStop();
    m_pSession->OnStopped();
    if (bRecording)
        SetIdleMessage(AFX_IDS_IDLEMESSAGE);
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
    if (!GetDialogs()->PropertiesDialog(this, nBpm, nStep, nTpb,
                                        RowsOf(m_pDocument->GetPlayRange())))
        return;
    SoundEdits::SetProperties(*m_pSession, CurrentPosition(), {nBpm, nStep, nTpb});
    // Unchanged properties make no undo step; the views are refreshed all the same.
    m_pDocument->UpdateAllViews(nullptr);
}

void CSoundBase::OnPatternProperties()
{
    CSoundPattern* pPattern = GetPropertiesPattern();
    if (pPattern != nullptr && GetDialogs() != nullptr)
    {
        int nRows = pPattern->GetRows();
        std::string name = pPattern->GetName();
        if (GetDialogs()->PatternDialog(this, "Pattern properties", nRows, name))
            SoundEdits::ChangePattern(*m_pSession, CurrentPosition(), pPattern->GetId(), name,
                                      nRows);
    }
    m_pDocument->UpdateAllViews(nullptr);
}

void CSoundBase::OnWholeSongRange()
{
    SoundEdits::SetPlayRange(*m_pSession, CurrentPosition(),
                             PlayRangeForSong(m_pDocument->GetWholeSongEnd()));
    viewport()->update();
}

void CSoundBase::OnManagePatterns()
{
    if (GetDialogs() != nullptr)
        GetDialogs()->ManagePatternsDialog(this, *m_pSession);
}

void CSoundBase::OnEditUndo()
{
    m_pSession->Undo().Undo();
}

void CSoundBase::OnEditRedo()
{
    m_pSession->Undo().Redo();
}

void CSoundBase::OnEditHistory()
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
