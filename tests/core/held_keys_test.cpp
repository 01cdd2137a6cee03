// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/InstrumentPreview.h"
#include "playback/SoundPlayThread.h"
#include "sound/AgiTone.h"
#include "sound/ReadyInstruments.h"
#include "support/RenderedSound.h"
#include "support/Spectrum.h"
#include "support/VirtualPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

namespace
{
constexpr unsigned kRow = CVirtualPlayer::kRow;
constexpr unsigned kTick = 735;

HoldNote Key(int key, std::optional<CInstrument> instrument = std::nullopt)
{
    HoldNote hold;
    hold.key = key;
    hold.instrument = std::move(instrument);
    return hold;
}

// What a key held on the keyboard sounds like: held for nHeldTicks, then let go.
Samples HeldKeys(CVirtualPlayer& player, const std::vector<HoldNote>& keys, unsigned nHeldTicks,
                 unsigned nAfterTicks)
{
    player.m_pDevice->TakeOutput();
    for (const HoldNote& key : keys)
        player.m_thread.PostThreadMessage(key);
    player.m_thread.WaitUntilHandled();
    for (unsigned i = 0; i < nHeldTicks; ++i)
        player.Advance(kTick);
    for (const HoldNote& key : keys)
        player.m_thread.PostThreadMessage(LetGoNote{key.key, key.bDrum});
    for (unsigned i = 0; i < nAfterTicks; ++i)
        player.Advance(kTick);
    return player.m_pDevice->TakeOutput();
}

// Ticks from the first sample to the last one that sounds.
double SoundingTicks(const Samples& output)
{
    const auto last =
        std::find_if(output.rbegin(), output.rend(), [](std::int16_t s) { return s != 0; });
    return static_cast<double>(output.rend() - last) / kTick;
}
} // namespace

TEST(HeldKeys, SoundAtOnceUntilLetGoWithTheReleaseAChordAsItsPitchesOverASong)
{
    CVirtualPlayer player;
    CVirtualAudioDevice& device = *player.m_pDevice;
    CSoundPlayThread& thread = player.m_thread;

    // A4 on the chip: from the first sample, as long as it is held, give or take
    // the few ticks the output is handed ahead.
    const Samples plain = HeldKeys(player, {Key(69)}, 60, 30);
    EXPECT_FALSE(IsSilent(plain.data(), 16));
    EXPECT_NEAR(SoundingTicks(plain), 62, 2);
    const double a4 = 111860.0 / AgiDivisorOfNote(69);
    EXPECT_NEAR(CSpectrum(plain.data(), 16384).PeakHz(100, 2000), a4, 2);

    // Let go, the instrument's release plays out as its preview's does.
    const CInstrument& pad = ReadyInstruments()[1];
    const double releaseTicks =
        InstrumentPreview::Ticks(69, pad, false).size() - InstrumentPreview::kHoldTicks;
    ASSERT_GT(releaseTicks, 5);
    const Samples shaped = HeldKeys(player, {Key(69, pad)}, 60, 150);
    EXPECT_NEAR(SoundingTicks(shaped), 62 + releaseTicks, 2);

    // Two keys at once are two voices; the muted one stays silent.
    const auto chordPeak = [&](unsigned muteMask, double loHz, double hiHz)
    {
        thread.SetMuteMask(muteMask);
        const Samples chord = HeldKeys(player, {Key(60), Key(67)}, 30, 10);
        return CSpectrum(chord.data(), 16384).MaxDb(loHz, hiHz);
    };
    const double c4 = 111860.0 / AgiDivisorOfNote(60), g4 = 111860.0 / AgiDivisorOfNote(67);
    EXPECT_GT(chordPeak(0, c4 - 3, c4 + 3), -20);
    EXPECT_GT(chordPeak(0, g4 - 3, g4 + 3), -20);
    EXPECT_LT(chordPeak(0b10, g4 - 3, g4 + 3), -60);
    thread.SetMuteMask(0);

    // Over a song, which keeps its pace while the key's ring wakes the thread as well.
    CSoundDoc song;
    song.AssignProperties({120, song.GetStepSize(), song.GetTracksPerBeat()});
    song.PlacePattern(2, 0, song.CreatePattern(2, 8))->SetCell(0, {48, 255, 0, 0});
    player.Play(song);
    device.TakeOutput();
    thread.PostThreadMessage(Key(69));
    thread.WaitUntilHandled();
    int nRows = 0;
    for (unsigned i = 0; i < 3 * kRow / kTick; ++i)
        nRows += player.Advance(kTick);
    EXPECT_EQ(nRows, 3);
    EXPECT_EQ(thread.GetDropouts().Total(), 0u) << "a key's ring after its last sample";
    EXPECT_GT(CSpectrum(device.TakeOutput().data(), 16384).MaxDb(a4 - 3, a4 + 3), -20);

    // Held for longer than the output rests after silence, a key keeps it awake.
    CVirtualPlayer quick(std::chrono::milliseconds(50));
    quick.m_thread.PostThreadMessage(Key(69));
    quick.m_thread.WaitUntilHandled();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(quick.m_pDevice->IsResting());
}
