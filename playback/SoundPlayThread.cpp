// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SoundPlayThread.h"

#include "framework/UserInterface.h"
#include "playback/PortAudioDevice.h"

#include <sys/resource.h>
#include <unistd.h>

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
    // Above normal where the system allows it; rendering has half a buffer of slack anyway.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), -5);
    int nExitCode = 0;
    if (!InitInstance())
        nExitCode = ExitInstance();
    else
        nExitCode = Run();
    m_nExitCode.store(nExitCode);
    m_queue.Close();
}

bool CSoundPlayThread::PostThreadMessage(unsigned message, WPARAM wParam, LPARAM lParam)
{
    return m_queue.Post(message, wParam, lParam);
}

bool CSoundPlayThread::PostPlay(CSoundDoc* pDoc, ISoundRowSink* pSink)
{
    return PostThreadMessage(WM_SOUND_PLAY, reinterpret_cast<WPARAM>(pDoc),
                             reinterpret_cast<LPARAM>(pSink));
}

bool CSoundPlayThread::PostStop()
{
    std::uint64_t nSerial = 0;
    if (!m_queue.Post(WM_SOUND_STOP, 0, 0, &nSerial))
        return false;
    return m_queue.WaitHandled(nSerial);
}

bool CSoundPlayThread::PostPreview(CSoundDoc* pDoc, int note)
{
    return PostThreadMessage(WM_SOUND_PREVIEW, reinterpret_cast<WPARAM>(pDoc), note);
}

bool CSoundPlayThread::WaitUntilHandled()
{
    std::uint64_t nSerial = 0;
    if (!m_queue.Post(WM_NULL, 0, 0, &nSerial))
        return false;
    return m_queue.WaitHandled(nSerial);
}

int CSoundPlayThread::QuitAndWait()
{
    if (!m_thread.joinable())
        return m_nExitCode.load();
    // A refused post means the thread is ending by itself.
    m_queue.Post(WM_QUIT, 0, 0);
    m_thread.join();
    return m_nExitCode.load();
}

bool CSoundPlayThread::AcceptRowPlayed(CSoundDoc* pDoc, std::uint32_t nGeneration) const
{
    if (pDoc == nullptr)
        return false;
    std::lock_guard lock(pDoc->Guard());
    if (nGeneration != m_nGeneration.load())
        return false;
    pDoc->m_nCurrentPos = pDoc->NextPlayPos(pDoc->m_nCurrentPos);
    return true;
}

std::string CSoundPlayThread::GetDeviceDescription() const
{
    std::lock_guard lock(m_infoMutex);
    return m_strDevice;
}

unsigned CSoundPlayThread::GetUnderflowCount() const
{
    std::lock_guard lock(m_infoMutex);
    return m_pInfoDevice != nullptr ? m_pInfoDevice->GetUnderflowCount() : 0;
}

void CSoundPlayThread::OnDocumentClosing(CSoundDoc*)
{
    PostStop();
}

void CSoundPlayThread::OnAudioNotify() noexcept
{
    m_queue.SignalEvent();
}

bool CSoundPlayThread::InitInstance()
{
    if (!m_openDevice)
        return false;
    m_pDevice = m_openDevice();
    if (m_pDevice == nullptr)
    {
        // Nothing posted from now on is handled, so no one waits on this thread while the
        // message is up.
        m_queue.Close();
        AfxMessageBox(kDeviceErrorText, MB_OK | MB_ICONSTOP);
        return false;
    }
    m_pPreview = m_pDevice->CreatePreviewBuffer(CToneSynth::kPreviewBytes);
    if (m_pPreview == nullptr)
    {
        m_pDevice.reset();
        return false;
    }
    m_previewBytes = CToneSynth::kPreviewBytes;
    m_previewBuf.assign(m_previewBytes / kBytesPerSample, 0);
    std::lock_guard lock(m_infoMutex);
    m_strDevice = m_pDevice->Describe();
    m_pInfoDevice = m_pDevice.get();
    return true;
}

int CSoundPlayThread::Run()
{
    for (;;)
    {
        ThreadMessage msg;
        if (!m_queue.GetNext(msg))
        {
            if (m_bPlaying)
            {
                RenderRow();
                StepRow(m_reportDelay <= 0);
                if (m_reportDelay > 0)
                    --m_reportDelay;
            }
            continue;
        }
        switch (msg.message)
        {
        case WM_QUIT:
        {
            const int nExitCode = ExitInstance();
            m_queue.Close();
            return nExitCode;
        }
        case WM_SOUND_PLAY:
            OnThreadPlay(msg.wParam, msg.lParam);
            break;
        case WM_SOUND_STOP:
            OnThreadStop(msg.wParam, msg.lParam);
            break;
        case WM_SOUND_PREVIEW:
            OnThreadPreview(msg.wParam, msg.lParam);
            break;
        default:
            break;
        }
        m_queue.MarkHandled(msg.nSerial);
    }
}

int CSoundPlayThread::ExitInstance()
{
    OnThreadStop(0, 0);
    {
        std::lock_guard lock(m_infoMutex);
        m_strDevice.clear();
        m_pInfoDevice = nullptr;
    }
    m_pPreview.reset();
    m_pDevice.reset();
    return 0;
}

void CSoundPlayThread::OnThreadPlay(WPARAM wParam, LPARAM lParam)
{
    OnThreadStop(0, 0);
    m_pDoc = reinterpret_cast<CSoundDoc*>(wParam);
    if (m_pDoc == nullptr)
        return;
    m_pNotify = reinterpret_cast<ISoundRowSink*>(lParam);
    {
        std::lock_guard lock(m_pDoc->Guard());
        if (!CreateStreamBuffer())
        {
            ReleaseStreamBuffer();
            m_pDoc = nullptr;
            m_pNotify = nullptr;
            return;
        }
        m_writeCursor = m_bufferBytes / 2;
        m_reportDelay = static_cast<int>((m_bufferBytes / 2) / m_rowBytes);
        m_synth.m_renderPos = m_heardPos = m_pDoc->m_nCurrentPos;
        for (unsigned i = 0; i + 1 < m_synth.QueueLength(); ++i)
            StepRow(false);
    }
    if (m_pStream->SetCurrentPosition(0) && m_pStream->Play())
        m_bPlaying = true;
}

void CSoundPlayThread::OnThreadStop(WPARAM, LPARAM)
{
    if (m_pDoc != nullptr)
    {
        std::lock_guard lock(m_pDoc->Guard());
        m_pDoc->m_nCurrentPos = m_heardPos;
        // Reports still on their way to the view belong to the playback that ends here.
        m_nGeneration.fetch_add(1);
    }
    m_bPlaying = false;
    if (m_pStream != nullptr)
        m_pStream->Stop();
    ReleaseStreamBuffer();
    m_pDoc = nullptr;
    m_pNotify = nullptr;
}

void CSoundPlayThread::OnThreadPreview(WPARAM, LPARAM lParam)
{
    if (m_pPreview == nullptr || lParam < 0 || lParam >= CToneSynth::kNoteCount)
        return;
    m_synth.RenderPreview(static_cast<int>(lParam), m_previewBuf.data());
    if (m_pPreview->Write(0, m_previewBuf.data(), m_previewBytes))
        m_pPreview->Play();
}

bool CSoundPlayThread::CreateStreamBuffer()
{
    if (m_pStream != nullptr)
        ReleaseStreamBuffer();
    if (m_pDevice == nullptr || m_pDoc == nullptr)
        return false;
    m_rowBytes = CToneSynth::RowBytes(m_pDoc->m_nBeatsPerMinute, m_pDoc->m_nTracksPerBeat);
    if (m_rowBytes == 0)
        return false;
    const unsigned nBlocks = CToneSynth::BlocksForRowBytes(m_rowBytes);
    if (nBlocks > 0xFFFFFFFFu / m_rowBytes)
        return false;
    m_synth.m_nBlocks = nBlocks;
    m_bufferBytes = m_rowBytes * nBlocks;

    m_pStream = m_pDevice->CreateStreamBuffer(m_bufferBytes);
    if (m_pStream == nullptr)
        return false;
    m_pStream->Clear();

    m_synth.Start(m_rowBytes, nBlocks);
    m_mixBuf.assign(m_rowBytes / kBytesPerSample, 0);

    std::vector<unsigned> positions(nBlocks);
    for (unsigned i = 0; i < nBlocks; ++i)
        positions[i] = m_rowBytes * (i + 1) - 2;
    return m_pStream->SetNotificationPositions(positions, this);
}

void CSoundPlayThread::ReleaseStreamBuffer()
{
    m_pStream.reset();
    // The released buffer can no longer signal; what it signalled before is stale.
    m_queue.ResetEvent();
    m_synth.Release();
    m_mixBuf.clear();
    m_mixBuf.shrink_to_fit();
}

void CSoundPlayThread::StepRow(bool bReport)
{
    std::uint32_t nGeneration = 0;
    {
        std::lock_guard lock(m_pDoc->Guard());
        m_synth.SequenceRow(*m_pDoc);
        if (bReport)
        {
            m_heardPos = m_pDoc->NextPlayPos(m_heardPos);
            nGeneration = m_nGeneration.load();
        }
    }
    if (bReport && m_pNotify != nullptr)
        m_pNotify->PostRowPlayed(nGeneration);
}

void CSoundPlayThread::RenderRow()
{
    for (int c = 0; c < kChannelCount; ++c)
        RenderChannel(c);
    WriteMixedRow();
}

void CSoundPlayThread::RenderChannel(int channel)
{
    m_synth.RenderChannel(channel);
}

void CSoundPlayThread::WriteMixedRow()
{
    m_synth.MixRow(m_mixBuf.data());
    // A write that fails skips the row and leaves the cursor where it is.
    if (!m_pStream->Write(m_writeCursor, m_mixBuf.data(), m_rowBytes))
        return;
    m_writeCursor = (m_writeCursor + m_rowBytes) % m_bufferBytes;
}
