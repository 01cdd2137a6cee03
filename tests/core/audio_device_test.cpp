#include "playback/VirtualAudioDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <vector>

namespace
{
class CNotifyCounter : public IAudioNotify
{
public:
    void OnAudioNotify() noexcept override { m_nCount.fetch_add(1); }
    std::atomic<int> m_nCount{0};
};

std::vector<std::int16_t> Ramp(unsigned n, int start)
{
    std::vector<std::int16_t> v(n);
    std::iota(v.begin(), v.end(), static_cast<std::int16_t>(start));
    return v;
}
} // namespace

TEST(AudioDevice, StreamLoopsFromItsPositionAndNotifiesAtEachPosition)
{
    CVirtualAudioDevice device;
    device.SetRecording(true);
    auto pStream = device.CreateStreamBuffer(20);
    ASSERT_NE(pStream, nullptr);
    EXPECT_EQ(device.CreateStreamBuffer(0), nullptr);
    EXPECT_EQ(device.CreateStreamBuffer(7), nullptr);

    const auto ramp = Ramp(10, 1);
    ASSERT_TRUE(pStream->Write(0, ramp.data(), 20));
    EXPECT_FALSE(pStream->Write(18, ramp.data(), 4));
    EXPECT_FALSE(pStream->SetNotificationPositions({3}, nullptr));
    CNotifyCounter counter;
    ASSERT_TRUE(pStream->SetNotificationPositions({8, 18}, &counter));
    ASSERT_TRUE(pStream->SetCurrentPosition(12));

    // Not yet playing: the output is silent and the cursor stays.
    device.Advance(4);
    EXPECT_EQ(device.TakeOutput(), std::vector<std::int16_t>(4, 0));
    EXPECT_EQ(pStream->GetCurrentPosition(), 12u);

    ASSERT_TRUE(pStream->Play());
    // Samples 6..9 (position 18 at sample 9), then 0..4 (position 8 at sample 4).
    device.Advance(3);
    EXPECT_EQ(counter.m_nCount.load(), 0);
    device.Advance(1);
    EXPECT_EQ(counter.m_nCount.load(), 1);
    device.Advance(4);
    EXPECT_EQ(counter.m_nCount.load(), 1);
    device.Advance(1);
    EXPECT_EQ(counter.m_nCount.load(), 2);
    EXPECT_EQ(device.TakeOutput(), (std::vector<std::int16_t>{7, 8, 9, 10, 1, 2, 3, 4, 5}));
    // Twenty more samples pass each position twice.
    device.Advance(20);
    EXPECT_EQ(counter.m_nCount.load(), 6);
    EXPECT_EQ(pStream->GetCurrentPosition(), 10u);

    pStream->Stop();
    device.TakeOutput();
    device.Advance(10);
    EXPECT_EQ(counter.m_nCount.load(), 6);
    EXPECT_EQ(device.TakeOutput(), std::vector<std::int16_t>(10, 0));
}

TEST(AudioDevice, PreviewPlaysOnceOnTopOfTheStreamAndSaturates)
{
    CVirtualAudioDevice device;
    device.SetRecording(true);
    auto pStream = device.CreateStreamBuffer(8);
    const std::vector<std::int16_t> loud{30000, -30000, 100, 0};
    pStream->Write(0, loud.data(), 8);
    pStream->Play();
    auto pPreview = device.CreatePreviewBuffer(6);
    ASSERT_NE(pPreview, nullptr);

    // Written but not played: not heard.
    const std::vector<std::int16_t> tone{5000, -5000, 7};
    pPreview->Write(0, tone.data(), 6);
    device.Advance(4);
    EXPECT_EQ(device.TakeOutput(), loud);

    pPreview->Play();
    device.Advance(8);
    EXPECT_EQ(device.TakeOutput(),
              (std::vector<std::int16_t>{32767, -32768, 107, 0, 30000, -30000, 100, 0}));
}
