// SPDX-License-Identifier: GPL-3.0-or-later
// The VGM export played by an independent chip-music player.
#include "AgiTestBytes.h"
#include "sound/VgmWriter.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <gme/gme.h>
#include <vector>

namespace
{
constexpr std::size_t kTick = 735;

double ToneHz(unsigned divisor)
{
    return 3579545.0 / (32.0 * divisor);
}

// The player's left channel (the chip is mono), n samples from the start.
std::vector<std::int16_t> PlayWithLibgme(const std::vector<std::uint8_t>& vgm, std::size_t n)
{
    Music_Emu* pEmu = nullptr;
    EXPECT_EQ(gme_open_data(vgm.data(), static_cast<long>(vgm.size()), &pEmu, 44100), nullptr);
    if (pEmu == nullptr)
        return {};
    gme_ignore_silence(pEmu, 1);
    EXPECT_EQ(gme_start_track(pEmu, 0), nullptr);
    std::vector<short> stereo(2 * n);
    EXPECT_EQ(gme_play(pEmu, static_cast<int>(stereo.size()), stereo.data()), nullptr);
    gme_delete(pEmu);
    std::vector<std::int16_t> left(n);
    for (std::size_t i = 0; i < n; ++i)
        left[i] = stereo[2 * i];
    return left;
}
} // namespace

TEST(VgmLibgme, PlaysAtTheEnginesPitchesAndTicks)
{
    // Two tones for 60 ticks, 30 silent, a third tone for 60 ticks, then the end.
    const std::string agi =
        Resource({Tone(0, 60, 254, 0) + Tone(0, 30, 254, 15) + Tone(0, 60, 127, 0),
                  Tone(1, 60, 1016, 4), "", ""});
    for (const SynthKind chip : {SynthKind::PCjr, SynthKind::Tandy})
    {
        const auto vgm =
            BuildVgm(reinterpret_cast<const std::uint8_t*>(agi.data()), agi.size(), {.chip = chip});
        ASSERT_TRUE(vgm.Ok());
        const std::vector<std::int16_t> s = PlayWithLibgme(vgm.Value(), 170 * kTick);
        ASSERT_EQ(s.size(), 170 * kTick);

        const CSpectrum first(s.data() + 4096, 32768);
        // Within the player's own rounding of the clock.
        EXPECT_NEAR(first.PeakHz(300, 600), ToneHz(254), ToneHz(254) * 1e-3);
        EXPECT_NEAR(first.PeakHz(80, 200), ToneHz(1016), ToneHz(1016) * 1e-3);
        const CSpectrum second(s.data() + 91 * kTick, 32768);
        EXPECT_NEAR(second.PeakHz(600, 1200), ToneHz(127), ToneHz(127) * 1e-3);

        // Each start and stop lands on its tick, within half a cycle and the player's
        // band-limited edge.
        int peak = 0;
        for (const std::int16_t v : s)
            peak = std::max(peak, std::abs(int{v}));
        ASSERT_GT(peak, 1000);
        const auto quiet = [&](std::size_t from, std::size_t to)
        {
            return std::all_of(s.begin() + static_cast<long>(from),
                               s.begin() + static_cast<long>(to),
                               [&](std::int16_t v) { return std::abs(int{v}) <= peak / 20; });
        };
        std::vector<std::size_t> edges;
        constexpr std::size_t kGap = 200;
        for (std::size_t i = kGap; i + kGap < s.size(); ++i)
            if (quiet(i - 1, i) != quiet(i, i + 1) && (quiet(i - kGap, i) || quiet(i, i + kGap)))
                edges.push_back(i);
        const std::size_t ticks[] = {60, 90, 150};
        ASSERT_EQ(edges.size(), 3u);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(static_cast<double>(edges[k]), static_cast<double>(ticks[k] * kTick), 60)
                << "tick " << ticks[k];
    }
}
