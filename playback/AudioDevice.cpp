// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/AudioDevice.h"

#include "framework/SteadyClock.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

CAudioStreamBuffer::CAudioStreamBuffer(CAudioMixer& mixer, unsigned nSamples, int layer)
    : m_mixer(mixer), m_nSamples(nSamples), m_layer(layer),
      m_samples(std::make_unique<std::atomic<std::int16_t>[]>(nSamples))
{
}

CAudioStreamBuffer::~CAudioStreamBuffer()
{
    Stop();
}

bool CAudioStreamBuffer::SetNotificationPositions(const std::vector<unsigned>& positions,
                                                  IAudioNotify* pNotify)
{
    if (m_bPlaying)
        return false;
    std::vector<unsigned> samples;
    samples.reserve(positions.size());
    for (unsigned offset : positions)
    {
        if (offset % 2 != 0 || offset / 2 >= m_nSamples)
            return false;
        samples.push_back(offset / 2);
    }
    std::sort(samples.begin(), samples.end());
    samples.erase(std::unique(samples.begin(), samples.end()), samples.end());
    m_notifySamples = std::move(samples);
    m_pNotify = pNotify;
    return true;
}

bool CAudioStreamBuffer::Write(unsigned offset, const std::int16_t* pSamples, unsigned nBytes)
{
    if (offset % 2 != 0 || nBytes % 2 != 0 || offset / 2 > m_nSamples ||
        nBytes / 2 > m_nSamples - offset / 2)
        return false;
    std::atomic<std::int16_t>* pDest = m_samples.get() + offset / 2;
    for (unsigned i = 0; i < nBytes / 2; ++i)
        pDest[i].store(pSamples[i], std::memory_order_relaxed);
    return true;
}

void CAudioStreamBuffer::Clear()
{
    for (unsigned i = 0; i < m_nSamples; ++i)
        m_samples[i].store(0, std::memory_order_relaxed);
}

bool CAudioStreamBuffer::TrackFill()
{
    if (m_bPlaying)
        return false;
    m_bTrackFill = true;
    m_nCommitted.store(0, std::memory_order_relaxed);
    m_nConsumed.store(0, std::memory_order_relaxed);
    m_bStarving = false;
    return true;
}

void CAudioStreamBuffer::Commit(unsigned nBytes)
{
    m_nCommitted.fetch_add(nBytes / 2, std::memory_order_release);
}

unsigned CAudioStreamBuffer::GetQueuedBytes() const
{
    if (!m_bTrackFill)
        return 0;
    return (m_nCommitted.load(std::memory_order_relaxed) -
            m_nConsumed.load(std::memory_order_relaxed)) *
           2;
}

bool CAudioStreamBuffer::SetCurrentPosition(unsigned offset)
{
    if (m_bPlaying || offset % 2 != 0 || offset / 2 >= m_nSamples)
        return false;
    m_cursor.store(offset / 2, std::memory_order_relaxed);
    return true;
}

unsigned CAudioStreamBuffer::GetCurrentPosition() const
{
    return m_cursor.load(std::memory_order_acquire) * 2;
}

bool CAudioStreamBuffer::Play()
{
    if (m_bPlaying)
        return true;
    const unsigned cursor = m_cursor.load(std::memory_order_relaxed);
    auto it = std::lower_bound(m_notifySamples.begin(), m_notifySamples.end(), cursor);
    m_nNextNotify =
        it == m_notifySamples.end() ? 0 : static_cast<unsigned>(it - m_notifySamples.begin());
    m_bPlaying = true;
    m_mixer.AttachStream(this);
    return true;
}

void CAudioStreamBuffer::Stop()
{
    if (!m_bPlaying)
        return;
    m_mixer.DetachStream(this);
    m_bPlaying = false;
}

CAudioPreviewBuffer::CAudioPreviewBuffer(CAudioMixer& mixer, unsigned nSamples)
    : m_mixer(mixer), m_nSamples(nSamples)
{
    for (auto& copy : m_copies)
        copy.assign(nSamples, 0);
    for (unsigned& length : m_lengths)
        length = nSamples;
    m_mixer.AttachPreview(this);
}

CAudioPreviewBuffer::~CAudioPreviewBuffer()
{
    m_mixer.DetachPreview(this);
}

bool CAudioPreviewBuffer::Write(unsigned offset, const std::int16_t* pSamples, unsigned nBytes)
{
    if (offset % 2 != 0 || nBytes % 2 != 0 || offset / 2 > m_nSamples ||
        nBytes / 2 > m_nSamples - offset / 2)
        return false;
    std::copy_n(pSamples, nBytes / 2, m_copies[m_nBack].begin() + offset / 2);
    return true;
}

void CAudioPreviewBuffer::Clear()
{
    std::fill(m_copies[m_nBack].begin(), m_copies[m_nBack].end(), std::int16_t{0});
}

bool CAudioPreviewBuffer::Play()
{
    return Play(m_nSamples);
}

bool CAudioPreviewBuffer::Play(unsigned nSamples)
{
    m_lengths[m_nBack] = std::min(nSamples, m_nSamples);
    m_nBack = m_nMiddle.exchange(m_nBack | kFresh, std::memory_order_acq_rel) & (kFresh - 1);
    return true;
}

void CAudioMixer::Render(std::int16_t* pOut, unsigned nFrames) noexcept
{
    m_nRenderSeq.fetch_add(1);
    if (nFrames > m_nLargestBlock.load(std::memory_order_relaxed))
        m_nLargestBlock.store(nFrames, std::memory_order_relaxed);
    CAudioStreamBuffer* pStream = m_pStream.load();
    CAudioPreviewBuffer* pPreview = m_pPreview.load();

    if (pStream != nullptr && pStream->m_nSamples > 0)
        RenderStream<false>(*pStream, pOut, nFrames);
    else
        std::fill_n(pOut, nFrames, std::int16_t{0});
    for (auto& layer : m_layers)
        if (CAudioStreamBuffer* pLayer = layer.load(); pLayer != nullptr && pLayer->m_nSamples > 0)
            RenderStream<true>(*pLayer, pOut, nFrames);

    if (pPreview != nullptr)
    {
        constexpr unsigned mask = CAudioPreviewBuffer::kFresh - 1;
        if (pPreview->m_nMiddle.load(std::memory_order_relaxed) & CAudioPreviewBuffer::kFresh)
        {
            pPreview->m_nFront =
                pPreview->m_nMiddle.exchange(pPreview->m_nFront, std::memory_order_acq_rel) & mask;
            pPreview->m_nFrontPos = 0;
            pPreview->m_bFrontPlaying = true;
        }
        if (pPreview->m_bFrontPlaying)
        {
            const std::int16_t* pSamples = pPreview->m_copies[pPreview->m_nFront].data();
            const unsigned length = pPreview->m_lengths[pPreview->m_nFront];
            unsigned pos = pPreview->m_nFrontPos;
            for (unsigned f = 0; f < nFrames && pos < length; ++f, ++pos)
            {
                const int sum = pOut[f] + pSamples[pos];
                pOut[f] = static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
            }
            pPreview->m_nFrontPos = pos;
            if (pos >= length)
                pPreview->m_bFrontPlaying = false;
        }
    }
    m_nRenderSeq.fetch_add(1);
}

template <bool bLayer>
void CAudioMixer::RenderStream(CAudioStreamBuffer& stream, std::int16_t* pOut,
                               unsigned nFrames) noexcept
{
    unsigned nPlay = nFrames;
    if (stream.m_bTrackFill)
    {
        const unsigned consumed = stream.m_nConsumed.load(std::memory_order_relaxed);
        const unsigned ahead = stream.m_nCommitted.load(std::memory_order_acquire) - consumed;
        nPlay = std::min(nFrames, ahead);
        stream.m_nConsumed.store(consumed + nPlay, std::memory_order_relaxed);
        // One gap, however many blocks it spans.
        if (!bLayer && nPlay < nFrames && !stream.m_bStarving)
            m_nStarved.fetch_add(1, std::memory_order_relaxed);
        stream.m_bStarving = nPlay < nFrames;
    }
    const std::atomic<std::int16_t>* pRing = stream.m_samples.get();
    const unsigned n = stream.m_nSamples;
    const std::vector<unsigned>& notify = stream.m_notifySamples;
    const unsigned nNotify = static_cast<unsigned>(notify.size());
    unsigned cursor = stream.m_cursor.load(std::memory_order_relaxed);
    unsigned next = stream.m_nNextNotify;
    for (unsigned f = 0; f < nPlay; ++f)
    {
        const std::int16_t sample = pRing[cursor].load(std::memory_order_relaxed);
        if constexpr (bLayer)
            pOut[f] = static_cast<std::int16_t>(std::clamp(pOut[f] + sample, -32768, 32767));
        else
            pOut[f] = sample;
        if (nNotify != 0 && cursor == notify[next])
        {
            if (stream.m_pNotify != nullptr)
                stream.m_pNotify->OnAudioNotify();
            next = next + 1 == nNotify ? 0 : next + 1;
        }
        cursor = cursor + 1 == n ? 0 : cursor + 1;
    }
    if constexpr (!bLayer)
        std::fill(pOut + nPlay, pOut + nFrames, std::int16_t{0});
    stream.m_nNextNotify = next;
    stream.m_cursor.store(cursor, std::memory_order_release);
}

CAudioMixer::StreamSnapshot CAudioMixer::SnapshotStream()
{
    StreamSnapshot snapshot;
    m_nRenderSeq.fetch_add(1);
    if (CAudioStreamBuffer* pStream = m_pStream.load())
    {
        snapshot.bPlaying = true;
        snapshot.nBytes = pStream->m_nSamples * 2;
        snapshot.nCursor = pStream->m_cursor.load(std::memory_order_relaxed) * 2;
        for (unsigned sample : pStream->m_notifySamples)
            snapshot.positions.push_back(sample * 2);
        snapshot.samples.resize(pStream->m_nSamples);
        for (unsigned i = 0; i < pStream->m_nSamples; ++i)
            snapshot.samples[i] = pStream->m_samples[i].load(std::memory_order_relaxed);
    }
    m_nRenderSeq.fetch_add(1);
    return snapshot;
}

std::atomic<CAudioStreamBuffer*>& CAudioMixer::SlotOf(const CAudioStreamBuffer& stream)
{
    return stream.m_layer < 0 ? m_pStream : m_layers[stream.m_layer];
}

void CAudioMixer::AttachStream(CAudioStreamBuffer* pStream)
{
    SlotOf(*pStream).store(pStream);
}

void CAudioMixer::AttachPreview(CAudioPreviewBuffer* pPreview)
{
    m_pPreview.store(pPreview);
}

void CAudioMixer::DetachStream(CAudioStreamBuffer* pStream)
{
    CAudioStreamBuffer* pExpected = pStream;
    SlotOf(*pStream).compare_exchange_strong(pExpected, nullptr);
    WaitForRenderToLeave();
}

void CAudioMixer::DetachPreview(CAudioPreviewBuffer* pPreview)
{
    CAudioPreviewBuffer* pExpected = pPreview;
    m_pPreview.compare_exchange_strong(pExpected, nullptr);
    WaitForRenderToLeave();
}

void CAudioMixer::WaitForRenderToLeave()
{
    // A Render that began before the detach may still hold the old pointer; one that
    // begins after it sees null. Renders are short, so a brief sleep-wait suffices.
    const unsigned seq = m_nRenderSeq.load();
    if ((seq & 1) == 0)
        return;
    while (m_nRenderSeq.load() == seq)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
}

double CAudioDevice::ClockSeconds() const
{
    return SteadyClockSeconds();
}

std::unique_ptr<CAudioStreamBuffer> CAudioDevice::CreateStreamBuffer(unsigned nBytes, int layer)
{
    if (nBytes == 0 || nBytes % 2 != 0 || layer < -1 || layer >= CAudioMixer::kLayers)
        return nullptr;
    try
    {
        return std::unique_ptr<CAudioStreamBuffer>(
            new CAudioStreamBuffer(m_mixer, nBytes / 2, layer));
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

std::unique_ptr<CAudioPreviewBuffer> CAudioDevice::CreatePreviewBuffer(unsigned nBytes)
{
    if (nBytes == 0 || nBytes % 2 != 0)
        return nullptr;
    try
    {
        return std::unique_ptr<CAudioPreviewBuffer>(new CAudioPreviewBuffer(m_mixer, nBytes / 2));
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
