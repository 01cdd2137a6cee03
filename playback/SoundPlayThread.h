// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/AudioDevice.h"
#include "playback/AudioFormat.h"
#include "playback/SoundRenderer.h"
#include "playback/SynthKind.h"
#include "playback/ThreadMessageQueue.h"
#include "playback/VoiceScopeRing.h"
#include "sound/ChipWrites.h"
#include "sound/PlayVoice.h"
#include "sound/SoundDoc.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The view that started playback: told once per row heard. Called on the play thread; it
// must only queue the report for its own thread (never block on it).
class ISoundRowSink
{
public:
    virtual ~ISoundRowSink() = default;
    // The song row now heard, since heardAt (the output's CAudioDevice::ClockSeconds). Called on
    // the play thread; a report counts only while CSoundPlayThread::IsCurrentPlayback(nGeneration)
    // holds where it is handled.
    virtual void PostRowPlayed(std::int32_t row, std::uint32_t nGeneration, double heardAt) = 0;
    // The playback asked for could not start: nothing plays, and no row will be reported.
    // Counts, as a row report does, only while its generation is current.
    virtual void PostPlaybackFailed(std::uint32_t /*nGeneration*/) {}
};

class CHeldVoices;

// Told a message for the person (the device cannot be used, a song cannot be rendered).
// Called on the play thread: the owner shows it on its own thread, never blocking this one.
using PlayErrorReport = std::function<void(const std::string& message)>;

// Opens the output device on the play thread; null when no device can be used.
using AudioDeviceFactory = std::function<std::unique_ptr<CAudioDevice>()>;

// Owns all audio output: streams a document through a looping buffer of slots that wakes it
// once per slot, plays note previews and the keys held (HoldNote, LetGoNote), and reports
// each row heard to the view that started it.
class CSoundPlayThread : private IAudioNotify
{
public:
    static constexpr const char* kDeviceErrorText =
        "Could not use the sound device!\n\nSound will be disabled for this session!";

    // The default device; no factory at all means sound is off, without a message.
    explicit CSoundPlayThread(AudioDeviceFactory openDevice = OpenDefaultDevice);
    // Quits and joins the thread if it still runs.
    ~CSoundPlayThread();
    CSoundPlayThread(const CSoundPlayThread&) = delete;
    CSoundPlayThread& operator=(const CSoundPlayThread&) = delete;

    static std::unique_ptr<CAudioDevice> OpenDefaultDevice();

    // Where failures go; set before CreateThread. Without one they go unreported.
    void SetErrorReport(PlayErrorReport report) { m_reportError = std::move(report); }

    // Starts the thread; the device is opened on it. False if it was started already.
    bool CreateThread();
    // False when the thread does not take messages (not started, sound off, or ended).
    bool PostThreadMessage(const PlayMessage& message);
    bool PostPlay(CSoundDoc* pDoc, ISoundRowSink* pSink, std::int32_t startRow);
    // Plays from startRow with every channel sounding as if playback had run from the range
    // start.
    bool PostPlayFrom(CSoundDoc* pDoc, ISoundRowSink* pSink, std::int32_t startRow);
    // Returns once the thread has handled the stop, so GetLastStop tells where it stopped.
    // Must be called without holding a document's guard.
    bool PostStop();
    bool PostPreview(CSoundDoc* pDoc, int note, int voice = -1);
    // The note shaped by a copy of the instrument; voice 3 plays it on the noise channel.
    bool PostPreview(CSoundDoc* pDoc, int note, int voice, const CInstrument& instrument);
    // Blocks until every message posted before has been handled; false when the thread
    // does not take messages.
    bool WaitUntilHandled();
    // Posts the quit message and joins the thread; returns its exit code.
    int QuitAndWait();

    // For the report handler: a report posted before a later stop or play is stale.
    bool IsCurrentPlayback(std::uint32_t nGeneration) const
    {
        return nGeneration == m_nGeneration.load();
    }
    // The document whose playback the latest stop ended (null for none, or when taken
    // already) and the row heard then, where a resumed playback starts.
    struct StoppedPlayback
    {
        const CSoundDoc* pDoc = nullptr;
        std::int32_t row = 0;
    };
    StoppedPlayback TakeLastStop();

    // Which synthesizer plays, with which fade; applies from the next Play or preview. Set
    // from one thread only; read from any.
    void SetVoice(PlayVoice voice) { m_voice.store(voice); }
    PlayVoice GetVoice() const { return m_voice.load(); }
    void SetSynthKind(SynthKind kind) { SetVoice({kind, GetVoice().fade}); }
    SynthKind GetSynthKind() const { return GetVoice().chip; }
    // Voices left out (bit v for voice v) from the next slot rendered, and of the previews
    // that name their voice. Any thread.
    void SetMuteMask(unsigned muteMask) { m_muteMask.store(muteMask); }
    unsigned GetMuteMask() const { return m_muteMask.load(); }
    // Each voice's own output as it is heard, for the scopes: read on any one thread; silent
    // while nothing plays. Previews are drawn on their voice when nothing else plays.
    const CVoiceScopeRing& GetVoiceScopes() const { return m_scopes; }
    // A song plays: from its start until it is stopped. Any thread.
    bool IsPlaying() const { return m_bSongPlaying.load(); }
    // The gaps heard, by where they came from: this thread not filling the ring in time, the
    // device or the sound server running dry, the callback coming late (none without a
    // device). Any thread.
    DropoutCounts GetDropouts() const;

    // The output stops once it has played only silence this long, and starts again for the
    // next note or Play. Set before CreateThread.
    static constexpr std::chrono::seconds kRestAfter{2};
    void SetRestDelay(std::chrono::steady_clock::duration delay) { m_restDelay = delay; }

    // The output device in use ("" while starting or with sound off), for the About box.
    std::string GetDeviceDescription() const;

    // Stops playback of pDoc, if it plays, and returns once the play thread no longer uses
    // it. Call before the document closes, without holding its guard.
    void OnDocumentClosing(CSoundDoc* pDoc);

protected:
    bool InitInstance();
    int Run();
    int ExitInstance();

    // Carries out one message; false for the quit message.
    bool Dispatch(const PlayMessage& message);
    void OnThreadPlay(const PlaySound& play);
    void OnThreadStop();
    void OnThreadPreview(const PreviewNote& preview);
    // The samples of the preview in m_previewBuf, 0 when it has no sound.
    unsigned RenderPreview(const PreviewNote& preview);
    void DrawPreview(int voice, unsigned nSamples);
    void OnThreadHold(const HoldNote& hold);
    void OnThreadLetGo(const LetGoNote& letGo);
    // A ring per voice of the held keys, each a layer of the output.
    bool CreateHeldStreams();
    // Renders each sounding held voice until its ring holds the ticks the output needs ahead.
    void TopUpHeld();
    unsigned HeldTicksAhead() const;
    static constexpr unsigned kHeldRingTicks = 32;
    // Few, so that a key let go is heard soon; more when the output asks for larger blocks.
    static constexpr unsigned kMinHeldTicksAhead = 3;

    bool CreateStreamBuffer();
    void ReleaseStreamBuffer();
    // Renders the next slot into the ring at the write cursor and sequences on.
    void RenderSlot();
    // The slot that ended at the last notification has been heard.
    void OnSlotPlayed();
    // A second dropout soon after another means the device's latency is too short for the
    // machine's load: better a little more delay than a stream of gaps.
    void RaiseLatencyWhenDropoutsRepeat();
    static constexpr std::chrono::seconds kDropoutsRepeatWithin{10};

    void ReportError(const std::string& message) const;

    // When the output may rest: never while a song plays or a key sounds, else once it has
    // been silent for the rest delay; none while it rests already.
    std::optional<std::chrono::steady_clock::time_point> RestDeadline() const;
    void RestOutput();
    // Starts a resting output once the sound it is to play has been handed over, so its
    // first block holds the sound.
    void WakeOutput();

    PlayErrorReport m_reportError;
    std::unique_ptr<ISoundRenderer> m_pRenderer;
    WaveFormat m_format;
    std::unique_ptr<CAudioStreamBuffer> m_pStream;
    std::unique_ptr<CAudioDevice> m_pDevice;
    std::unique_ptr<CAudioPreviewBuffer> m_pPreview;
    std::vector<std::int16_t> m_mixBuf;
    std::vector<std::int16_t> m_previewBuf;
    // Per ring slot: the slot written there ends a row.
    std::vector<bool> m_rowEnds;
    std::int32_t m_heardPos = 0;
    CVoiceScopeRing m_scopes;
    // Where the slot playing now starts in m_scopes.
    std::uint64_t m_scopeHeard = 0;
    CSoundDoc* m_pDoc = nullptr;
    // The document of the latest Play posted, on the posting thread.
    std::atomic<const CSoundDoc*> m_pPostedDoc{nullptr};
    ISoundRowSink* m_pNotify = nullptr;
    bool m_bPlaying = false;
    unsigned m_previewBytes = 0;
    unsigned m_slotBytes = 0;
    unsigned m_nSlots = 0;
    unsigned m_bufferBytes = 0;
    unsigned m_writeCursor = 0;
    unsigned m_playedSlot = 0;
    unsigned m_nDropoutsSeen = 0;
    std::chrono::steady_clock::time_point m_lastDropout;
    std::chrono::steady_clock::duration m_restDelay = kRestAfter;
    // The output plays nothing but silence from here on, unless a song plays.
    std::chrono::steady_clock::time_point m_silentFrom;
    bool m_bOutputResting = false;
    // The thread's message queue and its event (signalled at every notification position).
    CThreadMessageQueue m_queue;
    std::unique_ptr<CHeldVoices> m_pHeld;
    std::array<std::unique_ptr<CAudioStreamBuffer>, IChipWrites::kVoices> m_heldStreams;
    std::array<unsigned, IChipWrites::kVoices> m_heldWrite{};
    std::vector<std::int16_t> m_heldTick;

private:
    // The held voices' rings wake the thread too; only the song's own signals are its slots.
    class CHeldNotify : public IAudioNotify
    {
    public:
        explicit CHeldNotify(CThreadMessageQueue& queue) : m_queue(queue) {}
        void OnAudioNotify() noexcept override { m_queue.SignalEvent(); }

    private:
        CThreadMessageQueue& m_queue;
    };
    CHeldNotify m_heldNotify{m_queue};
    std::atomic<std::uint64_t> m_nSongSignals{0};
    std::uint64_t m_nSongTaken = 0;

    void OnAudioNotify() noexcept override;
    void ThreadMain();
    static void RaiseOwnPriority();
    // Below the output threads' real-time priority (CPortAudioDevice::kRealtimePriority).
    static constexpr int kRealtimePriority = 2;

    AudioDeviceFactory m_openDevice;
    std::thread m_thread;
    std::atomic<int> m_nExitCode{0};
    // Raised by every stop of a playback: the reports of the one before are stale.
    std::atomic<std::uint32_t> m_nGeneration{1};
    std::atomic<PlayVoice> m_voice{PlayVoice{}};
    std::atomic<unsigned> m_muteMask{0};
    std::atomic<bool> m_bSongPlaying{false};
    mutable std::mutex m_infoMutex;
    const CAudioDevice* m_pDeviceInfo = nullptr; // under m_infoMutex
    StoppedPlayback m_lastStop;                  // under m_infoMutex
};
