// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SoundPlayThread.h"

#include "playback/ChipRenderer.h"
#include "playback/HeldVoices.h"
#include "playback/InstrumentPreview.h"
#include "playback/PortAudioDevice.h"
#include "sound/GameTempo.h"
#include "sound/VoiceMute.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

CSoundPlayThread::CSoundPlayThread(AudioDeviceFactory openDevice)
    : m_openDevice(std::move(openDevice))
{
}

CSoundPlayThread::~CSoundPlayThread()
{
    if (m_thread.joinable())
        QuitAndWait();
}

std::unique_ptr<CAudioDevice> CSoundPlayThread::OpenDefaultDevice()
{
    return CPortAudioDevice::Open();
}

bool CSoundPlayThread::CreateThread()
{
    if (m_thread.joinable())
        return false;
    m_thread = std::thread([this] { ThreadMain(); });
    return true;
}

void CSoundPlayThread::ThreadMain()
{
    RaiseOwnPriority();
    int nExitCode = 0;
    if (!InitInstance())
        nExitCode = ExitInstance();
    else
        nExitCode = Run();
    m_nExitCode.store(nExitCode);
    m_queue.Close();
}

void CSoundPlayThread::RaiseOwnPriority()
{
    // Real time just below the output's threads where the system allows it: a busy machine
    // must not keep the ring from being refilled. The work is bounded by the song's own pace
    // (one slot per slot heard), so it cannot starve the machine. Elsewhere above normal.
    sched_param param{};
    param.sched_priority =
        std::max(sched_get_priority_min(SCHED_FIFO),
                 std::min(kRealtimePriority, sched_get_priority_max(SCHED_FIFO)));
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), -5);
}

bool CSoundPlayThread::PostThreadMessage(const PlayMessage& message)
{
    return m_queue.Post(message);
}

bool CSoundPlayThread::PostPlay(CSoundDoc* pDoc, ISoundRowSink* pSink, std::int32_t startRow)
{
    m_pPostedDoc.store(pDoc);
    return PostThreadMessage(PlaySound{pDoc, pSink, startRow, false});
}

bool CSoundPlayThread::PostStop()
{
    std::uint64_t nSerial = 0;
    if (!m_queue.Post(StopSound{}, &nSerial))
        return false;
    return m_queue.WaitHandled(nSerial);
}

bool CSoundPlayThread::PostPlayFrom(CSoundDoc* pDoc, ISoundRowSink* pSink, std::int32_t startRow)
{
    m_pPostedDoc.store(pDoc);
    return PostThreadMessage(PlaySound{pDoc, pSink, startRow, true});
}

bool CSoundPlayThread::PostPreview(CSoundDoc* /*pDoc*/, int note, int voice)
{
    return PostThreadMessage(PreviewNote{note, voice, std::nullopt});
}

bool CSoundPlayThread::PostPreview(CSoundDoc* /*pDoc*/, int note, int voice,
                                   const CInstrument& instrument)
{
    return PostThreadMessage(PreviewNote{note, voice, instrument});
}

bool CSoundPlayThread::WaitUntilHandled()
{
    std::uint64_t nSerial = 0;
    if (!m_queue.Post(SyncPoint{}, &nSerial))
        return false;
    return m_queue.WaitHandled(nSerial);
}

int CSoundPlayThread::QuitAndWait()
{
    if (!m_thread.joinable())
        return m_nExitCode.load();
    // A refused post means the thread is ending by itself.
    m_queue.Post(QuitThread{});
    m_thread.join();
    return m_nExitCode.load();
}

CSoundPlayThread::StoppedPlayback CSoundPlayThread::TakeLastStop()
{
    std::lock_guard lock(m_infoMutex);
    return std::exchange(m_lastStop, {});
}

DropoutCounts CSoundPlayThread::GetDropouts() const
{
    std::lock_guard lock(m_infoMutex);
    return m_pDeviceInfo != nullptr ? m_pDeviceInfo->GetDropouts() : DropoutCounts{};
}

std::string CSoundPlayThread::GetDeviceDescription() const
{
    std::lock_guard lock(m_infoMutex);
    return m_pDeviceInfo != nullptr ? m_pDeviceInfo->Describe() : std::string();
}

void CSoundPlayThread::OnDocumentClosing(CSoundDoc* pDoc)
{
    // Another document plays on; a play of this one still queued behind it is handled first.
    if (pDoc == m_pPostedDoc.load())
        PostStop();
    else
        WaitUntilHandled();
}

void CSoundPlayThread::OnAudioNotify() noexcept
{
    m_nSongSignals.fetch_add(1, std::memory_order_release);
    m_queue.SignalEvent();
}

void CSoundPlayThread::ReportError(const std::string& message) const
{
    if (m_reportError)
        m_reportError(message);
}

bool CSoundPlayThread::InitInstance()
{
    if (!m_openDevice)
        return false;
    m_pDevice = m_openDevice();
    if (m_pDevice == nullptr)
    {
        // Nothing posted from now on is handled, so no one waits on this thread.
        m_queue.Close();
        ReportError(kDeviceErrorText);
        return false;
    }
    // Room for an instrument's note; a plain one plays only its own length.
    m_pPreview = m_pDevice->CreatePreviewBuffer(
        std::max<unsigned>(CToneSynth::kPreviewBytes, InstrumentPreview::kMaxSamples * kBytesPerSample));
    if (m_pPreview == nullptr)
    {
        m_pDevice.reset();
        return false;
    }
    m_previewBytes = CToneSynth::kPreviewBytes;
    m_previewBuf.assign(std::max<std::size_t>(m_previewBytes / kBytesPerSample,
                                              InstrumentPreview::kMaxSamples),
                        0);
    m_silentFrom = std::chrono::steady_clock::now();
    // Without them the keys are not heard; everything else plays.
    CreateHeldStreams();
    std::lock_guard lock(m_infoMutex);
    m_pDeviceInfo = m_pDevice.get();
    return true;
}

int CSoundPlayThread::Run()
{
    for (;;)
    {
        ThreadMessage msg;
        const CThreadMessageQueue::Woken woken = m_queue.GetNext(msg, RestDeadline());
        if (woken == CThreadMessageQueue::Woken::Timeout)
        {
            RestOutput();
            continue;
        }
        if (woken == CThreadMessageQueue::Woken::Event)
        {
            if (m_nSongTaken < m_nSongSignals.load(std::memory_order_acquire))
            {
                ++m_nSongTaken;
                if (m_bPlaying)
                    OnSlotPlayed();
            }
            TopUpHeld();
            continue;
        }
        if (!Dispatch(msg.message))
        {
            const int nExitCode = ExitInstance();
            m_queue.Close();
            return nExitCode;
        }
        m_queue.MarkHandled(msg.nSerial);
        // A key struck sounds at once; a stop forgets the signals not yet taken, the held
        // voices' among them.
        TopUpHeld();
    }
}

bool CSoundPlayThread::Dispatch(const PlayMessage& message)
{
    if (std::holds_alternative<QuitThread>(message))
        return false;
    if (const auto* pPlay = std::get_if<PlaySound>(&message))
        OnThreadPlay(*pPlay);
    else if (std::holds_alternative<StopSound>(message))
        OnThreadStop();
    else if (const auto* pPreview = std::get_if<PreviewNote>(&message))
        OnThreadPreview(*pPreview);
    else if (const auto* pHold = std::get_if<HoldNote>(&message))
        OnThreadHold(*pHold);
    else if (const auto* pLetGo = std::get_if<LetGoNote>(&message))
        OnThreadLetGo(*pLetGo);
    return true;
}

int CSoundPlayThread::ExitInstance()
{
    OnThreadStop();
    m_pPreview.reset();
    for (auto& pStream : m_heldStreams)
        pStream.reset();
    m_pHeld.reset();
    {
        std::lock_guard lock(m_infoMutex);
        m_pDeviceInfo = nullptr;
    }
    m_pDevice.reset();
    return 0;
}

void CSoundPlayThread::OnThreadPlay(const PlaySound& play)
{
    OnThreadStop();
    m_pDoc = play.pDoc;
    if (m_pDoc == nullptr)
        return;
    m_pNotify = play.pSink;
    const bool bCarryIn = play.bCarryIn;
    const PlayVoice voice = m_voice.load();
    const SynthKind kind = voice.chip;
    m_pRenderer = MakeSoundRenderer(kind, voice.fade);
    m_pRenderer->SetVoiceSink(&m_scopes);
    m_scopeHeard = m_scopes.GetWritten();
    m_scopes.MarkHeard(m_scopeHeard);
    Status begun = Success();
    bool bReady = false;
    {
        std::lock_guard lock(m_pDoc->Guard());
        const std::int32_t pos = play.startRow;
        const PlayRange range = m_pDoc->GetPlayRange();
        begun = bCarryIn ? m_pRenderer->BeginFrom(*m_pDoc, range, pos)
                         : m_pRenderer->Begin(*m_pDoc, range, pos);
        bReady = begun.Ok() && CreateStreamBuffer();
        if (bReady)
        {
            m_heardPos = m_pRenderer->GetStartRow();
            // The first half of the ring is what the device plays next: fill it now, so the
            // song starts at once.
            for (unsigned i = 0; i < m_nSlots / 2; ++i)
                RenderSlot();
        }
    }
    if (!bReady)
    {
        ReleaseStreamBuffer();
        if (m_pNotify != nullptr)
            m_pNotify->PostPlaybackFailed(m_nGeneration.load());
        m_pDoc = nullptr;
        m_pNotify = nullptr;
        if (!begun.Error().empty())
            ReportError(begun.Error());
        return;
    }
    m_playedSlot = 0;
    if (m_pStream->SetCurrentPosition(0) && m_pStream->Play())
    {
        m_bPlaying = true;
        m_bSongPlaying.store(true);
        WakeOutput();
    }
    else if (m_pNotify != nullptr)
        m_pNotify->PostPlaybackFailed(m_nGeneration.load());
}

void CSoundPlayThread::OnThreadStop()
{
    if (m_pDoc != nullptr)
    {
        {
            std::lock_guard lock(m_infoMutex);
            m_lastStop = {m_pDoc, m_heardPos};
        }
        // Reports still on their way to the view belong to the playback that ends here.
        m_nGeneration.fetch_add(1);
    }
    if (m_bPlaying)
    {
        m_scopes.Rest();
        m_silentFrom = std::max(m_silentFrom, std::chrono::steady_clock::now());
    }
    m_bPlaying = false;
    m_bSongPlaying.store(false);
    if (m_pStream != nullptr)
        m_pStream->Stop();
    ReleaseStreamBuffer();
    m_pDoc = nullptr;
    m_pNotify = nullptr;
}

void CSoundPlayThread::OnThreadPreview(const PreviewNote& preview)
{
    if (m_pPreview == nullptr || preview.note < 0 || preview.note >= CToneSynth::kNoteCount)
        return;
    if (preview.voice >= 0 && IsVoiceMuted(m_muteMask.load(), preview.voice))
        return;
    const unsigned nSamples = RenderPreview(preview);
    if (nSamples == 0 || !m_pPreview->Write(0, m_previewBuf.data(), nSamples * kBytesPerSample))
        return;
    m_pPreview->Play(nSamples);
    WakeOutput();
    const auto length =
        std::chrono::microseconds(std::int64_t{nSamples} * 1'000'000 / kSampleRate);
    m_silentFrom = std::max(m_silentFrom, std::chrono::steady_clock::now() + length);
    DrawPreview(preview.voice, nSamples);
}

unsigned CSoundPlayThread::RenderPreview(const PreviewNote& preview)
{
    const PlayVoice voice = m_voice.load();
    const auto pRenderer = MakeSoundRenderer(voice.chip, voice.fade);
    if (preview.instrument.has_value())
        return pRenderer->RenderPreview(preview.note, *preview.instrument,
                                        preview.voice == kNoiseChannel, m_previewBuf.data());
    if (!pRenderer->RenderPreview(preview.note, m_previewBuf.data()))
        return 0;
    return m_previewBytes / kBytesPerSample;
}

std::optional<std::chrono::steady_clock::time_point> CSoundPlayThread::RestDeadline() const
{
    if (m_pDevice == nullptr || m_bPlaying || m_bOutputResting ||
        (m_pHeld != nullptr && m_pHeld->IsAnySounding()))
        return std::nullopt;
    return m_silentFrom + m_restDelay;
}

void CSoundPlayThread::RestOutput()
{
    m_pDevice->Rest();
    m_bOutputResting = true;
}

void CSoundPlayThread::WakeOutput()
{
    if (!m_bOutputResting)
        return;
    // Where the output cannot start, the next sound tries again.
    m_bOutputResting = !m_pDevice->Wake();
}

void CSoundPlayThread::DrawPreview(int voice, unsigned nSamples)
{
    // A playback's scopes show the playback.
    if (m_bPlaying || voice < 0 || voice >= IVoiceSink::kVoices)
        return;
    IVoiceSink::Blocks blocks{};
    blocks[voice] = m_previewBuf.data();
    m_scopes.MarkHeard(m_scopes.GetWritten());
    m_scopes.WriteVoices(blocks, nSamples);
}

bool CSoundPlayThread::CreateStreamBuffer()
{
    if (m_pStream != nullptr)
        ReleaseStreamBuffer();
    if (m_pDevice == nullptr || m_pDoc == nullptr)
        return false;
    m_slotBytes = m_pRenderer->GetSlotSamples() * kBytesPerSample;
    if (m_slotBytes == 0)
        return false;
    m_nSlots = CToneSynth::BlocksForRowBytes(m_slotBytes);
    if (m_nSlots > 0xFFFFFFFFu / m_slotBytes)
        return false;
    m_bufferBytes = m_slotBytes * m_nSlots;

    m_pStream = m_pDevice->CreateStreamBuffer(m_bufferBytes);
    if (m_pStream == nullptr)
        return false;
    m_pStream->Clear();
    if (!m_pStream->TrackFill())
        return false;
    m_mixBuf.assign(m_slotBytes / kBytesPerSample, 0);
    m_rowEnds.assign(m_nSlots, false);
    m_writeCursor = 0;

    std::vector<unsigned> positions(m_nSlots);
    for (unsigned i = 0; i < m_nSlots; ++i)
        positions[i] = m_slotBytes * (i + 1) - 2;
    return m_pStream->SetNotificationPositions(positions, this);
}

void CSoundPlayThread::ReleaseStreamBuffer()
{
    m_pStream.reset();
    // The released buffer can no longer signal; what it signalled before is stale.
    m_queue.ResetEvent();
    m_nSongTaken = m_nSongSignals.load(std::memory_order_acquire);
    if (m_pRenderer != nullptr)
        m_pRenderer->End();
    m_pRenderer.reset();
    m_mixBuf.clear();
    m_mixBuf.shrink_to_fit();
}

void CSoundPlayThread::RenderSlot()
{
    m_pRenderer->SetMuteMask(m_muteMask.load());
    const bool bRowEnd = m_pRenderer->RenderSlot(m_mixBuf.data());
    {
        std::lock_guard lock(m_pDoc->Guard());
        // The play range as it is now: a range changed during playback is heard at once.
        m_pRenderer->Advance(*m_pDoc, m_pDoc->GetPlayRange());
    }
    // A write that fails skips the slot and leaves the cursor where it is.
    if (!m_pStream->Write(m_writeCursor, m_mixBuf.data(), m_slotBytes))
        return;
    m_pStream->Commit(m_slotBytes);
    m_rowEnds[m_writeCursor / m_slotBytes] = bRowEnd;
    m_writeCursor = (m_writeCursor + m_slotBytes) % m_bufferBytes;
}

void CSoundPlayThread::RaiseLatencyWhenDropoutsRepeat()
{
    const unsigned nDropouts = m_pDevice->GetDropouts().Total();
    if (nDropouts == m_nDropoutsSeen)
        return;
    const auto now = std::chrono::steady_clock::now();
    const bool bRepeated = m_nDropoutsSeen != 0 && now - m_lastDropout < kDropoutsRepeatWithin;
    m_lastDropout = now;
    m_nDropoutsSeen = nDropouts;
    // The restart's own gap is counted, but it is no reason to raise once more.
    if (bRepeated && m_pDevice->RaiseLatency())
        m_nDropoutsSeen = m_pDevice->GetDropouts().Total();
}

void CSoundPlayThread::OnSlotPlayed()
{
    RaiseLatencyWhenDropoutsRepeat();
    const bool bRowEnd = m_rowEnds[m_playedSlot];
    m_playedSlot = (m_playedSlot + 1) % m_nSlots;
    m_scopeHeard += m_slotBytes / kBytesPerSample;
    m_scopes.MarkHeard(m_scopeHeard);
    RenderSlot();
    if (!bRowEnd)
        return;
    {
        std::lock_guard lock(m_pDoc->Guard());
        m_heardPos = NextPassRow(m_pDoc->GetPlayRange(), m_heardPos);
    }
    if (m_pNotify != nullptr)
        m_pNotify->PostRowPlayed(m_heardPos, m_nGeneration.load(), m_pDevice->ClockSeconds());
}

bool CSoundPlayThread::CreateHeldStreams()
{
    constexpr unsigned kTickBytes = CHeldVoices::kSamplesPerTick * kBytesPerSample;
    std::vector<unsigned> positions(kHeldRingTicks);
    for (unsigned i = 0; i < kHeldRingTicks; ++i)
        positions[i] = kTickBytes * (i + 1) - 2;
    for (int v = 0; v < IChipWrites::kVoices; ++v)
    {
        auto pStream = m_pDevice->CreateStreamBuffer(kTickBytes * kHeldRingTicks, v);
        if (pStream == nullptr || !pStream->SetNotificationPositions(positions, &m_heldNotify) ||
            !pStream->TrackFill() || !pStream->Play())
        {
            for (auto& pCreated : m_heldStreams)
                pCreated.reset();
            return false;
        }
        m_heldStreams[v] = std::move(pStream);
    }
    m_heldTick.assign(CHeldVoices::kSamplesPerTick, 0);
    m_pHeld = std::make_unique<CHeldVoices>();
    return true;
}

void CSoundPlayThread::OnThreadHold(const HoldNote& hold)
{
    if (m_pHeld == nullptr)
        return;
    const PlayVoice voice = m_voice.load();
    m_pHeld->SetChip(voice.chip, voice.fade);
    // Rendered as soon as the message is done.
    m_pHeld->Hold(hold.key, hold.atten, hold.bDrum, hold.noiseSetting, hold.instrument);
}

void CSoundPlayThread::OnThreadLetGo(const LetGoNote& letGo)
{
    if (m_pHeld != nullptr)
        m_pHeld->LetGo(letGo.key, letGo.bDrum);
}

unsigned CSoundPlayThread::HeldTicksAhead() const
{
    const unsigned block = m_pDevice->GetLargestBlock();
    const unsigned ticks =
        (block + CHeldVoices::kSamplesPerTick - 1) / CHeldVoices::kSamplesPerTick;
    return std::clamp(ticks + 2, kMinHeldTicksAhead, kHeldRingTicks - 2);
}

void CSoundPlayThread::TopUpHeld()
{
    if (m_pHeld == nullptr)
        return;
    constexpr unsigned kTickBytes = CHeldVoices::kSamplesPerTick * kBytesPerSample;
    const unsigned nAhead = HeldTicksAhead();
    const unsigned muteMask = m_muteMask.load();
    bool bRendered = false;
    for (int v = 0; v < IChipWrites::kVoices; ++v)
    {
        CAudioStreamBuffer& stream = *m_heldStreams[v];
        while (m_pHeld->IsSounding(v) && stream.GetQueuedBytes() < nAhead * kTickBytes)
        {
            m_pHeld->RenderTick(v, IsVoiceMuted(muteMask, v), m_heldTick.data());
            if (!stream.Write(m_heldWrite[v], m_heldTick.data(), kTickBytes))
                break;
            stream.Commit(kTickBytes);
            m_heldWrite[v] = (m_heldWrite[v] + kTickBytes) % stream.GetSize();
            bRendered = true;
        }
    }
    if (!bRendered)
        return;
    WakeOutput();
    const auto ahead = std::chrono::microseconds(
        std::int64_t{nAhead} * CHeldVoices::kSamplesPerTick * 1'000'000 / kSampleRate);
    m_silentFrom = std::max(m_silentFrom, std::chrono::steady_clock::now() + ahead);
}
