// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlaybackController.h"

#include "app/EditorApp.h"
#include "app/SessionRowSink.h"
#include "session/Prompts.h"
#include "sound/MidiImport.h"
#include "sound/SoundPattern.h"
#include "sound/VoiceMute.h"

namespace
{
// The noise channel's white-noise bit beside its rate.
constexpr int kWhiteNoiseSetting = 0x04;
} // namespace

CPlaybackController::CPlaybackController(CEditorApp& app) : m_app(app) {}

CPlaybackController::~CPlaybackController()
{
    StopPlayThread();
}

void CPlaybackController::StartPlayThread(bool bNoSound)
{
    m_pPlayThread = new CSoundPlayThread(bNoSound ? AudioDeviceFactory() : m_openDevice);
    m_pPlayThread->SetVoice(VoiceOf(m_app.Documents().GetActiveDocument()));
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

void CPlaybackController::StopPlayThread()
{
    if (m_pPlayThread == nullptr)
        return;
    m_pPlayThread->QuitAndWait();
    delete m_pPlayThread;
    m_pPlayThread = nullptr;
    m_pPlayingDoc = nullptr;
    m_retiredRowSinks.clear();
    m_rowSinks.clear();
}

ISoundRowSink* CPlaybackController::RowSinkFor(CSoundSession* pSession)
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

void CPlaybackController::StartPlaying(CSoundDoc* pDoc)
{
    UseVoiceOf(pDoc);
    UseMuteMaskOf(pDoc);
    m_pPlayingDoc = pDoc;
}

void CPlaybackController::PostPlay(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow)
{
    StartPlaying(pDoc);
    if (m_pPlayThread != nullptr)
        AnnounceSound(m_pPlayThread->PostPlay(pDoc, RowSinkFor(pReportTo), nStartRow));
}

void CPlaybackController::PostPlayFrom(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow)
{
    StartPlaying(pDoc);
    if (m_pPlayThread != nullptr)
        AnnounceSound(m_pPlayThread->PostPlayFrom(pDoc, RowSinkFor(pReportTo), nStartRow));
}

void CPlaybackController::PostStop()
{
    m_pPlayingDoc = nullptr;
    if (m_pPlayThread == nullptr)
        return;
    m_pPlayThread->PostStop();
    const CSoundPlayThread::StoppedPlayback stopped = m_pPlayThread->TakeLastStop();
    if (CSoundSession* pSession =
            stopped.pDoc != nullptr ? m_app.Documents().GetSession(stopped.pDoc) : nullptr)
        pSession->SetPlayRow(stopped.row);
}

void CPlaybackController::StopDocument(CSoundDoc* pDoc)
{
    const bool bPlaying = m_pPlayingDoc == pDoc;
    if (bPlaying)
        m_pPlayingDoc = nullptr;
    if (m_pPlayThread == nullptr)
        return;
    // The thread stops it only when it is the one playing, and otherwise lets a queued Play
    // of it through.
    m_pPlayThread->OnDocumentClosing(pDoc);
    // Where it stopped belongs to a document that is going.
    if (bPlaying)
        m_pPlayThread->TakeLastStop();
}

void CPlaybackController::PostPreview(CSoundDoc* pDoc, int nNote, int nVoice)
{
    Preview(pDoc, nNote, nVoice, nullptr);
}

void CPlaybackController::PostPreview(CSoundDoc* pDoc, int nNote, int nVoice,
                                      const CInstrument& instrument)
{
    Preview(pDoc, nNote, nVoice, &instrument);
}

void CPlaybackController::Preview(CSoundDoc* pDoc, int nNote, int nVoice,
                                  const CInstrument* pInstrument)
{
    UseVoiceOf(pDoc);
    if (m_pPlayThread == nullptr)
        return;
    const auto post = [&](int voice)
    {
        return pInstrument != nullptr ? m_pPlayThread->PostPreview(pDoc, nNote, voice, *pInstrument)
                                      : m_pPlayThread->PostPreview(pDoc, nNote, voice);
    };
    if (m_pPlayingDoc == nullptr || m_pPlayingDoc == pDoc)
    {
        UseMuteMaskOf(pDoc);
        AnnounceSound(post(nVoice));
    }
    // Over another sound's playback, whose mask stays in force, the note sounds unless its
    // own sound mutes it.
    else if (nVoice < 0 || !IsVoiceMuted(MuteMaskOf(pDoc), nVoice))
        post(-1);
}

void CPlaybackController::HoldKey(CSoundDoc* pDoc, int key, int atten, bool bDrum)
{
    if (m_pPlayThread == nullptr || (!bDrum && VoicedPitch(key) > kMaxNote))
        return;
    HoldNote hold;
    hold.key = bDrum ? key : VoicedPitch(key);
    hold.atten = atten;
    hold.bDrum = bDrum;
    hold.noiseSetting = kWhiteNoiseSetting | DrumNoiseRate(key);
    if (const CSoundSession* pSession = m_app.Documents().GetSession(pDoc))
        if (const CInstrument* pInstrument = pDoc->FindInstrument(pSession->GetCurrentInstrument()))
            hold.instrument = *pInstrument;
    UseVoiceOf(pDoc);
    // Over another sound's playback that sound's mask stays in force.
    if (m_pPlayingDoc == nullptr || m_pPlayingDoc == pDoc)
        UseMuteMaskOf(pDoc);
    AnnounceSound(m_pPlayThread->PostThreadMessage(hold));
}

void CPlaybackController::LetGoKey(int key, bool bDrum)
{
    if (m_pPlayThread != nullptr)
        m_pPlayThread->PostThreadMessage(LetGoNote{bDrum ? key : VoicedPitch(key), bDrum});
}

void CPlaybackController::AnnounceSound(bool bPosted)
{
    // Without a device nothing is posted, and the scopes stay at rest.
    if (bPosted)
        emit m_scopeSource.SoundRequested();
}

PlayVoice CPlaybackController::VoiceOf(const CSoundDoc* pDoc) const
{
    return m_app.ChipChoice().VoiceFor(m_app.Documents().GetSession(pDoc));
}

void CPlaybackController::UseVoiceOf(const CSoundDoc* pDoc)
{
    if (m_pPlayThread != nullptr)
        m_pPlayThread->SetVoice(VoiceOf(pDoc));
}

unsigned CPlaybackController::MuteMaskOf(const CSoundDoc* pDoc) const
{
    const CSoundSession* pSession = m_app.Documents().GetSession(pDoc);
    return pSession != nullptr ? pSession->GetMuteMask() : 0;
}

void CPlaybackController::UseMuteMaskOf(const CSoundDoc* pDoc)
{
    if (m_pPlayThread != nullptr)
        m_pPlayThread->SetMuteMask(MuteMaskOf(pDoc));
}

void CPlaybackController::OnMuteMaskChanged(const CSoundSession* pSession)
{
    if (m_pPlayingDoc == nullptr || m_pPlayingDoc == pSession->GetDocument())
        UseMuteMaskOf(pSession->GetDocument());
}
