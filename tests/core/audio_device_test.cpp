// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/DropoutCounter.h"
#include "playback/VirtualAudioDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace
{
using Samples = std::vector<std::int16_t>;

class CNotifyCounter : public IAudioNotify
{
public:
    void OnAudioNotify() noexcept override { m_nCount.fetch_add(1); }
    std::atomic<int> m_nCount{0};
};
} // namespace

TEST(AudioDevice, StreamLoopsFromItsPositionAndNotifiesAtEachPosition)
{
    CVirtualAudioDevice device;
    device.SetRecording(true);
    auto pStream = device.CreateStreamBuffer(20);
    ASSERT_NE(pStream, nullptr);
    EXPECT_EQ(device.CreateStreamBuffer(0), nullptr);
    EXPECT_EQ(device.CreateStreamBuffer(7), nullptr);
    const Samples ramp = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(pStream->Write(0, ramp.data(), 20));
    EXPECT_FALSE(pStream->Write(18, ramp.data(), 4));
    EXPECT_FALSE(pStream->SetNotificationPositions({3}, nullptr));
    CNotifyCounter counter;
    ASSERT_TRUE(pStream->SetNotificationPositions({8, 18}, &counter));
    ASSERT_TRUE(pStream->SetCurrentPosition(12));

    // Not yet playing: the output is silent and the cursor stays.
    device.Advance(4);
    EXPECT_EQ(pStream->GetCurrentPosition(), 12u);
    ASSERT_TRUE(pStream->Play());
    // Samples 6..9 (position 18 at sample 9), then 0..4 (position 8 at sample 4).
    std::string counts;
    for (const unsigned n : {3, 1, 4, 1, 20})
    {
        device.Advance(n);
        counts += std::to_string(counter.m_nCount.load()) + " ";
    }
    EXPECT_EQ(counts, "0 1 1 2 6 ");
    EXPECT_EQ(pStream->GetCurrentPosition(), 10u);
    pStream->Stop();
    device.Advance(2);
    EXPECT_EQ(counter.m_nCount.load(), 6);
    const Samples output = device.TakeOutput();
    EXPECT_EQ(Samples(output.begin(), output.begin() + 13),
              (Samples{0, 0, 0, 0, 7, 8, 9, 10, 1, 2, 3, 4, 5}));
    EXPECT_EQ(Samples(output.end() - 2, output.end()), Samples(2, 0));
}

TEST(AudioDevice, TrackedStreamPlaysOnlyWhatWasCommittedAndCountsEachGapOnce)
{
    CVirtualAudioDevice device;
    device.SetRecording(true);
    auto pStream = device.CreateStreamBuffer(16);
    ASSERT_NE(pStream, nullptr);
    const Samples ramp = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(pStream->Write(0, ramp.data(), 16));
    CNotifyCounter counter;
    ASSERT_TRUE(pStream->SetNotificationPositions({6}, &counter));
    ASSERT_TRUE(pStream->TrackFill());
    pStream->Commit(3 * 2);
    ASSERT_TRUE(pStream->Play());
    EXPECT_FALSE(pStream->TrackFill());

    // Each step: samples committed before it, samples played, then what was heard and the
    // gaps counted so far. The cursor waits where the writer fell behind, so nothing is
    // skipped and no old sample is replayed.
    struct Step
    {
        unsigned nCommit, nPlay;
        Samples heard;
        unsigned nGaps;
        int nNotified;
    };
    const Step steps[] = {
        {0, 2, {1, 2}, 0, 0},    {0, 3, {3, 0, 0}, 1, 0}, {0, 2, {0, 0}, 1, 0},
        {4, 3, {4, 5, 6}, 1, 1}, {0, 3, {7, 0, 0}, 2, 1}, {8, 6, {8, 1, 2, 3, 4, 5}, 2, 2},
    };
    for (const Step& step : steps)
    {
        pStream->Commit(step.nCommit * 2);
        device.Advance(step.nPlay);
        EXPECT_EQ(device.TakeOutput(), step.heard) << step.nPlay;
        EXPECT_EQ(device.GetUnderflowCount(), step.nGaps) << step.nPlay;
        EXPECT_EQ(counter.m_nCount.load(), step.nNotified) << step.nPlay;
    }
}

TEST(DropoutCounter, CountsFlaggedBlocksAndDrainedOutputsOncePerGapAfterTheStreamSettles)
{
    // 1000 frames a second, 10 ms latency: 100 frames of settling.
    struct Block
    {
        bool bFlagged;
        double now, due;
        unsigned nFrames;
        unsigned nCounted;
    };
    const Block blocks[] = {
        {true, 1.000, 1.000, 60, 0},   // priming: nothing is due yet
        {false, 1.050, 1.050, 40, 0},  // still priming
        {false, 1.060, 1.060, 10, 1},  // a latency late and due already: the server played silence
        {false, 1.080, 1.070, 10, 1},  // the same gap goes on
        {false, 1.085, 1.095, 10, 1},  // in time again
        {false, 1.090, 1.090, 10, 1},  // due now, but the output still held the block before
        {false, 1.110, 1.1104, 10, 1}, // late, but the output had not drained
        {true, 1.112, 1.130, 10, 2},   // the driver flags one
        {true, 1.130, 1.130, 10, 2},   // the same one, late as well
        {false, 0.0, 0.0, 10, 2},      // a host without a clock
        {true, 0.0, 0.0, 10, 3},
    };
    CDropoutCounter counter;
    counter.StartStream(1000, 0.010);
    for (const Block& block : blocks)
    {
        counter.OnBlock(block.bFlagged, block.now, block.due, block.nFrames);
        EXPECT_EQ(counter.GetCount(), block.nCounted) << block.now;
    }
    counter.CountGap();
    // A new stream primes again, and forgets the gap of the old one.
    counter.StartStream(1000, 0.010);
    counter.OnBlock(false, 5.0, 5.0, 100);
    counter.OnBlock(true, 5.002, 5.010, 10);
    EXPECT_EQ(counter.GetCount(), 5u);
}
