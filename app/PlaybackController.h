// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/PlayThreadScopes.h"
#include "playback/SoundPlayThread.h"
#include "session/SoundServices.h"
#include "sound/PlayVoice.h"

#include <QObject>

#include <map>
#include <memory>
#include <vector>

class CEditorApp;
class CSessionRowSink;
class CSoundSession;

// Playback for the editors: owns the play thread, starts and stops a document's playback and
// its note previews with the voice and the mute mask that document has, and hands the rows
// heard back to its session.
class CPlaybackController : public QObject, public ISoundTransport
{
    Q_OBJECT
public:
    explicit CPlaybackController(CEditorApp& app);
    ~CPlaybackController() override;

    // The sound device the play thread opens; the default one unless replaced before start.
    void SetAudioDeviceFactory(AudioDeviceFactory openDevice)
    {
        m_openDevice = std::move(openDevice);
    }
    // With bNoSound the thread runs without a device, so the editors' requests go somewhere.
    void StartPlayThread(bool bNoSound);
    // Posts the quit message and joins the thread.
    void StopPlayThread();
    // Null before the start and after the stop.
    CSoundPlayThread* GetPlayThread() const { return m_pPlayThread; }
    const IVoiceScopeSource& ScopeSource() const { return m_scopeSource; }

    void PostPlay(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow) override;
    void PostPlayFrom(CSoundDoc* pDoc, CSoundSession* pReportTo, int nStartRow) override;
    void PostStop() override;
    // Stops the document's playback, if it is the one playing; another document's plays on.
    void StopDocument(CSoundDoc* pDoc) override;
    void PostPreview(CSoundDoc* pDoc, int nNote, int nVoice) override;
    void PostPreview(CSoundDoc* pDoc, int nNote, int nVoice,
                     const CInstrument& instrument) override;

    // A key of a MIDI keyboard sounds from now until LetGoKey, shaped by the current
    // instrument of pDoc's session (plain without one); a drum on the noise channel.
    void HoldKey(CSoundDoc* pDoc, int key, int atten, bool bDrum);
    void LetGoKey(int key, bool bDrum);

    // What plays the document: the chosen chip, with its session's fade or the chosen one.
    PlayVoice VoiceOf(const CSoundDoc* pDoc) const;
    // The play thread plays the next Play or preview as the document is voiced.
    void UseVoiceOf(const CSoundDoc* pDoc);
    // The session's mask is heard at once while its document plays.
    void OnMuteMaskChanged(const CSoundSession* pSession);

private:
    ISoundRowSink* RowSinkFor(CSoundSession* pSession);
    // The document's mute mask (none without a session).
    unsigned MuteMaskOf(const CSoundDoc* pDoc) const;
    // The play thread hears pDoc's mask from now on: its playback starts, or it previews
    // while nothing else plays.
    void UseMuteMaskOf(const CSoundDoc* pDoc);
    void StartPlaying(CSoundDoc* pDoc);
    void Preview(CSoundDoc* pDoc, int nNote, int nVoice, const CInstrument* pInstrument);
    // The scopes follow the sound a post asked for.
    void AnnounceSound(bool bPosted);

    CEditorApp& m_app;
    CSoundPlayThread* m_pPlayThread = nullptr;
    AudioDeviceFactory m_openDevice = CSoundPlayThread::OpenDefaultDevice;
    // Row-report receivers handed to the play thread, one per session that started playback.
    // They stay until the thread has ended, as it may still hold one.
    std::map<const CSoundSession*, std::unique_ptr<CSessionRowSink>> m_rowSinks;
    std::vector<std::unique_ptr<CSessionRowSink>> m_retiredRowSinks;
    // The document whose playback was posted last and not stopped since; its mask is in force.
    const CSoundDoc* m_pPlayingDoc = nullptr;
    CPlayThreadScopes m_scopeSource{m_pPlayThread};
};
