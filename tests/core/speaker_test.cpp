// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "playback/SpeakerSynth.h"
#include "support/RenderedSound.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
using Samples = std::vector<std::int16_t>;
constexpr std::size_t kTick = 735;

Samples Speaker(const std::string& bytes)
{
    return RenderAgi(bytes, SynthKind::Speaker);
}

bool Silent(const Samples& s)
{
    return std::all_of(s.begin(), s.end(), [](std::int16_t v) { return v == 0; });
}
} // namespace

TEST(Speaker, PitchIsTheTimerCountNearestTheChipsDivisor)
{
    // Divisors 10 and 20 round far enough from the chip's pitch for the FFT to tell.
    const std::pair<unsigned, unsigned> counts[] = {
        {1023, 10912}, {427, 4555}, {254, 2709}, {20, 213}, {10, 107}};
    for (const auto& [divisor, count] : counts)
    {
        const Samples s =
            Speaker(Resource({Tone(0, 100, static_cast<int>(divisor), 0), "", "", ""}));
        const CSpectrum spectrum(s.data() + 4096, 65536);
        EXPECT_NEAR(spectrum.PeakHz(50, 20000), 1193180.0 / count, 0.04) << divisor;
        EXPECT_LT(spectrum.Db(2 * 1193180.0 / count) - spectrum.Db(1193180.0 / count), -80)
            << "a square wave has no even harmonics";
    }
}

TEST(Speaker, OneLevelVoiceZeroAloneAtTheChipsTiming)
{
    // Voice 0: attenuations 0, 9 and 14 at one level, 15 silent, divisor 0 silent.
    const std::string bytes =
        Resource({Tone(0, 10, 254, 0) + Tone(0, 10, 254, 9) + Tone(0, 10, 254, 14) +
                      Tone(0, 10, 254, 15) + Tone(0, 10, 0, 0) + Tone(0, 10, 254, 0),
                  Tone(1, 80, 300, 0), Tone(2, 80, 400, 0), Noise(80, 1, true, 0)});
    const Samples s = Speaker(bytes);
    ASSERT_EQ(s.size(), 80 * kTick);
    const auto part = [&](int record)
    { return Rms(s, record * 10 * kTick + 100, (record + 1) * 10 * kTick); };
    EXPECT_NEAR(part(0), CSpeakerSynth::kLevel, 0.02 * CSpeakerSynth::kLevel);
    EXPECT_NEAR(part(1), part(0), 1.0);
    EXPECT_NEAR(part(2), part(0), 1.0);
    EXPECT_EQ(part(3), 0.0);
    EXPECT_EQ(part(4), 0.0);
    EXPECT_NEAR(part(5), part(0), 1.0);
    // The sound ends with voice 0's last record; voices 1-3 alone are not heard.
    EXPECT_TRUE(Silent(Samples(s.begin() + 60 * kTick + 40, s.end())));
    EXPECT_TRUE(Silent(
        Speaker(Resource({"", Tone(1, 30, 300, 0), Tone(2, 30, 400, 0), Noise(30, 3, false, 0)}))));
}

TEST(Speaker, NoteKeepsItsPhaseAcrossAVolumeOnlyRecord)
{
    // A record that changes only the attenuation must not restart the square.
    const Samples split =
        Speaker(Resource({Tone(0, 7, 254, 0) + Record(7, 0, 0, 0x92), "", "", ""}));
    const Samples whole = Speaker(Resource({Tone(0, 14, 254, 0), "", "", ""}));
    EXPECT_EQ(split, whole);
}
