// SPDX-License-Identifier: GPL-3.0-or-later
// The application's side of playback and export: the play thread, the voice it plays with, the
// row reports it sends back, and the export commands.
#include "app/EditorApp.h"

#include "app/ExportCommands.h"
#include "app/MainFrame.h"
#include "app/SessionRowSink.h"
#include "app/VgmExport.h"
#include "app/WavExport.h"
#include "app/WrittenReport.h"
#include "session/Prompts.h"
#include "sound/VoiceMute.h"

CEditorApp::ExportContext CEditorApp::ExportContextOf(const CSoundDoc* pDoc) const
{
    const CSoundSession* pSession = GetSession(pDoc);
    return {VoiceOf(pDoc), MuteMaskOf(pDoc),
            pSession != nullptr ? pSession->GetGameOrigin() : GameOrigin{}};
}

bool CEditorApp::RunExport(UINT nID, const CSoundDoc& doc, const PlayRange& range,
                           const ExportContext& context)
{
    const std::optional<std::string> written = WriteExport(nID, doc, range, context);
    if (written)
        SetIdleText(WroteFileText(*written));
    return written.has_value();
}

std::optional<std::string> CEditorApp::WriteExport(UINT nID, const CSoundDoc& doc,
                                                   const PlayRange& range,
                                                   const ExportContext& context)
{
    switch (nID)
    {
    case ID_EXPORT_AGI:
        return ExportAgiCommand(doc, range);
    case ID_EXPORT_MIDI:
        return ExportMidiCommand(doc, range, m_pMainWnd);
    case ID_EXPORT_VGM:
        return ExportVgm(doc, range, context.origin, context.voice, context.muteMask, m_pMainWnd);
    default:
        return ExportWav(doc, range, context.voice, context.muteMask, m_pMainWnd);
    }
}

void CEditorApp::OnDocumentClosing(CSoundDoc* pDoc)
{
    m_gameFolders.Forget(pDoc);
    m_recovery.Forget(pDoc);
    if (m_pPlayingDoc == pDoc)
        m_pPlayingDoc = nullptr;
    if (m_pPlayThread != nullptr)
        m_pPlayThread->OnDocumentClosing(pDoc);
}

ISoundRowSink* CEditorApp::RowSinkFor(CSoundSession* pSession)
{
    if (pSession == nullptr)
        return nullptr;
    auto& pEntry = m_rowSinks[pSession];
    // A session made at the address of one that is gone gets its own receiver; the old one
    // stays, as the thread may still be reporting to it.
    if (pEntry != nullptr && !pEntry->IsFor(pSession))
        m_retiredRowSinks.push_back(std::move(pEntry));
    if (pEntry == nullptr)
        pEntry = std::make_unique<CSessionRowSink>(m_pPlayThread, pSession);
    return pEntry.get();
}

void CEditorApp::PostPlay(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow)
{
    UseVoiceOf(pDoc);
    UseMuteMaskOf(pDoc);
    m_pPlayingDoc = pDoc;
    if (m_pPlayThread != nullptr)
        m_pPlayThread->PostPlay(pDoc, RowSinkFor(pReportTo), nStartRow);
}

void CEditorApp::PostPlayFrom(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow)
{
    UseVoiceOf(pDoc);
    UseMuteMaskOf(pDoc);
    m_pPlayingDoc = pDoc;
    if (m_pPlayThread != nullptr)
        m_pPlayThread->PostPlayFrom(pDoc, RowSinkFor(pReportTo), nStartRow);
}

void CEditorApp::PostStop()
{
    m_pPlayingDoc = nullptr;
    if (m_pPlayThread == nullptr)
        return;
    m_pPlayThread->PostStop();
    const CSoundPlayThread::StoppedPlayback stopped = m_pPlayThread->TakeLastStop();
    if (CSoundSession* pSession = stopped.pDoc != nullptr ? GetSession(stopped.pDoc) : nullptr)
        pSession->SetPlayRow(stopped.row);
}

void CEditorApp::StopDocument(CSoundDoc* pDoc)
{
    if (m_pPlayingDoc == pDoc)
        m_pPlayingDoc = nullptr;
    if (m_pPlayThread != nullptr)
        m_pPlayThread->OnDocumentClosing(pDoc);
}

void CEditorApp::PostPreview(CSoundDoc* pDoc, int nNote, int nVoice)
{
    UseVoiceOf(pDoc);
    if (m_pPlayThread == nullptr)
        return;
    if (m_pPlayingDoc == nullptr || m_pPlayingDoc == pDoc)
    {
        UseMuteMaskOf(pDoc);
        m_pPlayThread->PostPreview(pDoc, nNote, nVoice);
    }
    // Over another sound's playback, whose mask stays in force, the note sounds unless its
    // own sound mutes it.
    else if (nVoice < 0 || !IsVoiceMuted(MuteMaskOf(pDoc), nVoice))
        m_pPlayThread->PostPreview(pDoc, nNote, -1);
}

unsigned CEditorApp::MuteMaskOf(const CSoundDoc* pDoc) const
{
    const CSoundSession* pSession = GetSession(pDoc);
    return pSession != nullptr ? pSession->GetMuteMask() : 0;
}

void CEditorApp::UseMuteMaskOf(const CSoundDoc* pDoc)
{
    if (m_pPlayThread != nullptr)
        m_pPlayThread->SetMuteMask(MuteMaskOf(pDoc));
}

void CEditorApp::OnMuteMaskChanged(const CSoundSession* pSession)
{
    if (m_pPlayingDoc == nullptr || m_pPlayingDoc == pSession->GetDocument())
        UseMuteMaskOf(pSession->GetDocument());
}

void CEditorApp::StartPlayThread()
{
    // With sound off the thread still runs, so the editors' requests go somewhere.
    m_pPlayThread = new CSoundPlayThread(m_bNoSound ? AudioDeviceFactory() : m_openDevice);
    m_pPlayThread->SetVoice(VoiceOf(GetActiveDocument()));
    // Shown on this thread; the play thread goes on at once.
    m_pPlayThread->SetErrorReport(
        [this](const std::string& message)
        {
            QMetaObject::invokeMethod(
                this, [message] { AfxMessageBox(message, MessageKind::Error); },
                Qt::QueuedConnection);
        });
    m_pPlayThread->CreateThread();
}

PlayVoice CEditorApp::VoiceOf(const CSoundDoc* pDoc) const
{
    return m_chipChoice.VoiceFor(GetSession(pDoc));
}

void CEditorApp::UseVoiceOf(const CSoundDoc* pDoc)
{
    if (m_pPlayThread != nullptr)
        m_pPlayThread->SetVoice(VoiceOf(pDoc));
}

void CEditorApp::StopPlayThread()
{
    if (m_pPlayThread == nullptr)
        return;
    m_pPlayThread->QuitAndWait();
    delete m_pPlayThread;
    m_pPlayThread = nullptr;
    m_retiredRowSinks.clear();
    m_rowSinks.clear();
}
