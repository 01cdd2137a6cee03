// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/VoiceScopeRing.h"

#include "playback/AudioFormat.h"

#include <algorithm>
#include <chrono>

CVoiceScopeRing::CVoiceScopeRing(std::size_t capacity)
    : m_mask(capacity - 1), m_pSamples(std::make_unique<std::atomic<std::int16_t>[]>(
                                capacity * static_cast<std::size_t>(kVoices)))
{
    for (std::size_t i = 0; i < capacity * kVoices; ++i)
        m_pSamples[i].store(0, std::memory_order_relaxed);
}

void CVoiceScopeRing::WriteVoices(const Blocks& voices, std::size_t n)
{
    const std::size_t capacity = GetCapacity();
    for (std::size_t done = 0; done < n;)
    {
        const std::size_t count = std::min(n - done, capacity);
        const std::uint64_t start = m_written.load(std::memory_order_relaxed);
        // A reader that sees any of the new samples then sees this count too, and knows the
        // samples these replace are gone.
        m_writing.store(start + count, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        for (int voice = 0; voice < kVoices; ++voice)
        {
            const std::int16_t* pBlock = voices[voice];
            for (std::size_t i = 0; i < count; ++i)
                At(voice, start + i)
                    .store(pBlock != nullptr ? pBlock[done + i] : std::int16_t{0},
                           std::memory_order_relaxed);
        }
        m_written.store(start + count, std::memory_order_release);
        done += count;
    }
}

void CVoiceScopeRing::MarkHeard(std::uint64_t heard, std::int64_t now)
{
    m_heardOffset.store(static_cast<std::int64_t>(heard) - now, std::memory_order_relaxed);
}

void CVoiceScopeRing::Rest()
{
    WriteVoices({}, kRestSamples);
    MarkHeard(m_written.load(std::memory_order_relaxed));
}

std::uint64_t CVoiceScopeRing::HeardAt(std::int64_t now) const
{
    return static_cast<std::uint64_t>(
        std::max<std::int64_t>(0, now + m_heardOffset.load(std::memory_order_relaxed)));
}

void CVoiceScopeRing::Read(int voice, std::uint64_t end, std::int16_t* pOut, std::size_t n) const
{
    const auto written = static_cast<std::int64_t>(m_written.load(std::memory_order_acquire));
    const std::int64_t first = static_cast<std::int64_t>(end) - static_cast<std::int64_t>(n);
    for (std::size_t i = 0; i < n; ++i)
    {
        const std::int64_t p = first + static_cast<std::int64_t>(i);
        pOut[i] = p >= 0 && p < written
                      ? At(voice, static_cast<std::uint64_t>(p)).load(std::memory_order_relaxed)
                      : std::int16_t{0};
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    const auto oldest = static_cast<std::int64_t>(m_writing.load(std::memory_order_relaxed)) -
                        static_cast<std::int64_t>(GetCapacity());
    if (oldest > first)
        std::fill_n(pOut,
                    static_cast<std::size_t>(
                        std::min<std::int64_t>(oldest - first, static_cast<std::int64_t>(n))),
                    std::int16_t{0});
}

std::int64_t CVoiceScopeRing::NowInSamples()
{
    const std::int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    return ns / kNsPerSecond * kSampleRate + ns % kNsPerSecond * kSampleRate / kNsPerSecond;
}
