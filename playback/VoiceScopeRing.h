// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/VoiceSink.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// Each voice's latest output, passed from the play thread to the editor's thread without
// locks: one writer that never waits, one reader at display pace. The four voices share one
// write count, so they stay in step. The writer overwrites the oldest samples whatever the
// reader does; a read that loses the race for some of them gets silence there.
//
// The writer also says which sample is heard now (the device plays behind the renderer), as
// a single offset from a sample clock, so the reader can follow the sound between reports.
class CVoiceScopeRing : public IVoiceSink
{
public:
    // About three seconds: more than the stream renders ahead at any usual tempo.
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 17;
    // What Rest writes: more than any window a reader asks for.
    static constexpr std::size_t kRestSamples = 4096;

    // capacity: a power of two.
    explicit CVoiceScopeRing(std::size_t capacity = kDefaultCapacity);

    // Writer side (one thread).
    void WriteVoices(const Blocks& voices, std::size_t n) override;
    // The sample at position `heard` of the write count sounds now.
    void MarkHeard(std::uint64_t heard) { MarkHeard(heard, NowInSamples()); }
    void MarkHeard(std::uint64_t heard, std::int64_t now);
    // Silence from now on, at once: nothing rendered but not yet heard is drawn.
    void Rest();

    // Reader side (one thread; the writer's own calls are also safe).
    std::uint64_t GetWritten() const { return m_written.load(std::memory_order_acquire); }
    // The position heard at the sample clock's `now`.
    std::uint64_t HeardAt(std::int64_t now) const;
    std::uint64_t Heard() const { return HeardAt(NowInSamples()); }
    // Copies the voice's samples [end - n, end); those not written yet or already
    // overwritten read as silence.
    void Read(int voice, std::uint64_t end, std::int16_t* pOut, std::size_t n) const;

    std::size_t GetCapacity() const { return m_mask + 1; }
    // A steady clock counted in output samples.
    static std::int64_t NowInSamples();

private:
    std::atomic<std::int16_t>& At(int voice, std::uint64_t position) const
    {
        return m_pSamples[static_cast<std::size_t>(voice) * (m_mask + 1) + (position & m_mask)];
    }

    const std::uint64_t m_mask;
    std::unique_ptr<std::atomic<std::int16_t>[]> m_pSamples;
    // Raised before samples are overwritten, and after they are in place.
    std::atomic<std::uint64_t> m_writing{0};
    std::atomic<std::uint64_t> m_written{0};
    // Heard position minus the sample clock.
    std::atomic<std::int64_t> m_heardOffset{0};
};
