// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/MidiNoteQueue.h"

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

TEST(MidiNoteQueue, KeepsOrderAcrossTheWrapDropsWhenFullAndWakesPerEvent)
{
    const int wakeFd = ::eventfd(0, EFD_NONBLOCK);
    ASSERT_GE(wakeFd, 0);
    CMidiNoteQueue queue(wakeFd);
    unsigned nPushed = 0, nPopped = 0;
    // Three times round the ring, reading behind the writer.
    for (int round = 0; round < 3; ++round)
    {
        for (unsigned i = 0; i < CMidiNoteQueue::kCapacity + 10; ++i)
            if (queue.Push({true, static_cast<std::uint8_t>(nPushed % 128), 100, 9}))
                ++nPushed;
        EXPECT_EQ(nPushed, (round + 1) * CMidiNoteQueue::kCapacity) << "a full ring drops";
        MidiKeyEvent event;
        while (queue.Pop(event))
        {
            ASSERT_EQ(event.key, nPopped % 128);
            EXPECT_EQ(event.channel, 9);
            ++nPopped;
        }
        EXPECT_EQ(nPopped, nPushed);
    }
    std::uint64_t nWakes = 0;
    ASSERT_EQ(::read(wakeFd, &nWakes, sizeof nWakes), ssize_t(sizeof nWakes));
    EXPECT_EQ(nWakes, nPushed);
    ::close(wakeFd);
}
