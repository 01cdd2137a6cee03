// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/DropoutCounter.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The audio layer under the play thread: a looping stream buffer with position
// notifications and a preview buffer that plays once, mixed into one output by CAudioMixer.
// Backends differ only in who pulls the output: the PortAudio callback, or a test clock.

// Told each time the play cursor passes a notification position. Called from the audio
// callback: it must neither block nor allocate.
class IAudioNotify
{
public:
    virtual ~IAudioNotify() = default;
    virtual void OnAudioNotify() noexcept = 0;
};

class CAudioMixer;

// A looping ring of samples. Positions and sizes are in bytes and must be whole samples.
// The play thread writes rows into it while the output reads elsewhere in it; samples are
// relaxed atomics so that even a reader that has caught up with the writer is well defined.
class CAudioStreamBuffer
{
public:
    ~CAudioStreamBuffer();
    CAudioStreamBuffer(const CAudioStreamBuffer&) = delete;
    CAudioStreamBuffer& operator=(const CAudioStreamBuffer&) = delete;

    unsigned GetSize() const { return m_nSamples * 2; }
    // Fires pNotify when the sample at each position has been played. Only while stopped.
    bool SetNotificationPositions(const std::vector<unsigned>& positions, IAudioNotify* pNotify);
    // Copies nBytes of samples to offset; the range must lie inside the buffer.
    bool Write(unsigned offset, const std::int16_t* pSamples, unsigned nBytes);
    void Clear();
    // From now on the output plays only what Commit has handed over: where the writer has
    // fallen behind, it plays silence and waits at the cursor instead of replaying old
    // samples, and counts the gap. Only while stopped; the cursor starts with nothing ahead.
    bool TrackFill();
    // nBytes more, written at the end of what was committed, are ready to play.
    void Commit(unsigned nBytes);
    // Only while stopped.
    bool SetCurrentPosition(unsigned offset);
    unsigned GetCurrentPosition() const;
    // Samples committed and not yet played, in bytes; 0 unless tracking the fill.
    unsigned GetQueuedBytes() const;
    // Plays looping until Stop.
    bool Play();
    // Returns once the output no longer reads the buffer or fires its notifications.
    void Stop();
    bool IsPlaying() const { return m_bPlaying; }

private:
    friend class CAudioDevice;
    friend class CAudioMixer;
    CAudioStreamBuffer(CAudioMixer& mixer, unsigned nSamples, int layer);

    CAudioMixer& m_mixer;
    unsigned m_nSamples;
    int m_layer; // -1: the main stream
    std::unique_ptr<std::atomic<std::int16_t>[]> m_samples;
    std::vector<unsigned> m_notifySamples; // sample index of each position, ascending
    IAudioNotify* m_pNotify = nullptr;
    std::atomic<unsigned> m_cursor{0};
    unsigned m_nNextNotify = 0; // the output's while playing
    bool m_bPlaying = false;
    bool m_bTrackFill = false;
    // Samples committed and samples played, both counted from TrackFill and wrapping.
    std::atomic<unsigned> m_nCommitted{0};
    std::atomic<unsigned> m_nConsumed{0};
    bool m_bStarving = false; // the output's
};

// A static buffer played once from its start. Writes go to a spare copy; Play hands that
// copy to the output in one atomic exchange, so the output never reads a buffer that is
// being rewritten, and a new Play cuts off the one before.
class CAudioPreviewBuffer
{
public:
    ~CAudioPreviewBuffer();
    CAudioPreviewBuffer(const CAudioPreviewBuffer&) = delete;
    CAudioPreviewBuffer& operator=(const CAudioPreviewBuffer&) = delete;

    unsigned GetSize() const { return m_nSamples * 2; }
    bool Write(unsigned offset, const std::int16_t* pSamples, unsigned nBytes);
    void Clear();
    // Plays what was written since the last Play, from its start: all of it, or its first
    // nSamples.
    bool Play();
    bool Play(unsigned nSamples);

private:
    friend class CAudioDevice;
    friend class CAudioMixer;
    CAudioPreviewBuffer(CAudioMixer& mixer, unsigned nSamples);

    static constexpr unsigned kFresh = 4;
    CAudioMixer& m_mixer;
    unsigned m_nSamples;
    std::vector<std::int16_t> m_copies[3];
    unsigned m_lengths[3] = {}; // samples each copy plays, handed over with it
    unsigned m_nBack = 0;               // the writer's copy
    std::atomic<unsigned> m_nMiddle{1}; // handed over; kFresh when not yet played
    unsigned m_nFront = 2;              // the output's copy
    unsigned m_nFrontPos = 0;           // the output's position in it
    bool m_bFrontPlaying = false;       // the output's
};

// Produces the device's output: the playing stream buffer at its cursor plus the layers and
// the preview, saturated to 16 bits. Render takes no lock, allocates nothing and does no I/O.
class CAudioMixer
{
public:
    // Streams mixed over the main one; a layer that has nothing more to play is silent, which
    // is no gap.
    static constexpr int kLayers = 4;

    void Render(std::int16_t* pOut, unsigned nFrames) noexcept;

    // The playing stream buffer as the output sees it, for inspection. Not for the
    // real-time path (it allocates), and never concurrently with Render.
    struct StreamSnapshot
    {
        bool bPlaying = false;
        unsigned nBytes = 0;
        unsigned nCursor = 0;            // bytes
        std::vector<unsigned> positions; // notification positions, bytes
        std::vector<std::int16_t> samples;
    };
    StreamSnapshot SnapshotStream();
    // Gaps the output played because the stream buffer had not been filled in time.
    unsigned GetStarvedCount() const { return m_nStarved.load(std::memory_order_relaxed); }
    // The most samples the output has asked for at once.
    unsigned GetLargestBlock() const { return m_nLargestBlock.load(std::memory_order_relaxed); }

private:
    friend class CAudioStreamBuffer;
    friend class CAudioPreviewBuffer;
    void AttachStream(CAudioStreamBuffer* pStream);
    void AttachPreview(CAudioPreviewBuffer* pPreview);
    // Waits until no Render that may have seen the detached buffer is still running.
    void DetachStream(CAudioStreamBuffer* pStream);
    void DetachPreview(CAudioPreviewBuffer* pPreview);
    void WaitForRenderToLeave();
    template <bool bLayer>
    void RenderStream(CAudioStreamBuffer& stream, std::int16_t* pOut, unsigned nFrames) noexcept;
    std::atomic<CAudioStreamBuffer*>& SlotOf(const CAudioStreamBuffer& stream);

    std::atomic<CAudioStreamBuffer*> m_pStream{nullptr};
    std::atomic<CAudioStreamBuffer*> m_layers[kLayers];
    std::atomic<unsigned> m_nLargestBlock{0};
    std::atomic<CAudioPreviewBuffer*> m_pPreview{nullptr};
    // Odd while a Render runs.
    std::atomic<unsigned> m_nRenderSeq{0};
    std::atomic<unsigned> m_nStarved{0};
};

// A sound output device. Buffers it creates must be destroyed before it.
class CAudioDevice
{
public:
    virtual ~CAudioDevice() = default;
    CAudioDevice(const CAudioDevice&) = delete;
    CAudioDevice& operator=(const CAudioDevice&) = delete;

    // Silent, stopped; null when the size is not a positive whole number of samples. A layer
    // (0 to CAudioMixer::kLayers - 1) plays over the main stream (-1).
    std::unique_ptr<CAudioStreamBuffer> CreateStreamBuffer(unsigned nBytes, int layer = -1);
    std::unique_ptr<CAudioPreviewBuffer> CreatePreviewBuffer(unsigned nBytes);
    // What the About box shows: the backend and its output latency. Any thread.
    virtual std::string Describe() const = 0;
    // Gaps heard, by where they came from: the stream buffer not filled in time, and (where
    // the backend knows) the device running dry or its callback coming late. Any thread.
    virtual DropoutCounts GetDropouts() const { return {GetStarvedCount(), 0, 0}; }
    // Restarts the output with the next longer latency after repeated dropouts; false when
    // there is none. Never from the output's own thread.
    virtual bool RaiseLatency() { return false; }
    // An output that is not needed stops, so an idle program and its sound server rest; its
    // buffers stay, and Wake starts it again (false when it cannot). Both from one thread,
    // never the output's own.
    virtual void Rest() {}
    virtual bool Wake() { return true; }
    unsigned GetLargestBlock() const { return m_mixer.GetLargestBlock(); }
    // Now, in seconds: SteadyClockSeconds for a real output, whose sound runs in real time.
    // Any thread.
    virtual double ClockSeconds() const;

protected:
    CAudioDevice() = default;
    unsigned GetStarvedCount() const { return m_mixer.GetStarvedCount(); }
    CAudioMixer m_mixer;
};
