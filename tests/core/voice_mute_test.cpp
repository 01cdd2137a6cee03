// SPDX-License-Identifier: GPL-3.0-or-later
// Leaving voices out: stems from the converter, the chip's live mute.
#include "AgiTestBytes.h"
#include "playback/AgiChipRender.h"
#include "playback/BandLimitedSteps.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace
{
using Samples = std::vector<std::int16_t>;

// Voice 0 ends first; the noise runs on its own rates, so each voice alone is a resource.
const std::array<std::string, 4> kVoices = {
    Tone(0, 30, 254, 0) + Tone(0, 20, 300, 2),
    Tone(1, 90, 160, 0),
    Tone(2, 40, 400, 4) + Tone(2, 40, 500, 3),
    Noise(60, 1, true, 2) + Noise(20, 2, false, 0),
};

Samples WavSamples(const std::string& bytes)
{
    Samples samples((bytes.size() - 44) / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[44 + 2 * i]) |
                                               static_cast<std::uint8_t>(bytes[45 + 2 * i]) << 8);
    return samples;
}

// The stem keeps the whole sound's length: the kept voice's own render, then silence once the
// band-limiting has rung out the voice's last step (the shorter render stops before it does).
void ExpectStem(const Samples& stem, const Samples& alone, std::size_t nWhole,
                const std::string& what)
{
    ASSERT_EQ(stem.size(), nWhole) << what;
    ASSERT_LE(alone.size(), nWhole) << what;
    EXPECT_TRUE(std::equal(alone.begin(), alone.end(), stem.begin())) << what;
    const std::size_t quiet = std::min(nWhole, alone.size() + CBandLimitedSteps::kTaps);
    EXPECT_TRUE(std::all_of(stem.begin() + static_cast<std::ptrdiff_t>(quiet), stem.end(),
                            [](std::int16_t s) { return s == 0; }))
        << what;
}
} // namespace

TEST(VoiceMute, ConverterStemIsTheOneVoiceResourceSampleForSample)
{
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/all.agi", Resource(kVoices));
    const struct
    {
        const char* options;
        int kept;
        const char* mute;
    } cases[] = {
        {"--chip pcjr", 0, "1,2,3"},    {"--chip pcjr --fade 3", 3, "0,1,2"},
        {"--chip tandy", 1, "3,0,2"},   {"--chip tandy --fade 2.9", 2, "0,1,3"},
        {"--chip sine", 0, "1,2,3"},    {"--chip sine", 1, "0,2"},
        {"--chip speaker", 0, "1,2,3"}, {"--chip speaker", 1, "0"},
    };
    for (const auto& c : cases)
    {
        const std::string what = std::string(c.options) + " keeps " + std::to_string(c.kept);
        std::array<std::string, 4> one{};
        one[c.kept] = kVoices[c.kept];
        WriteFileBytes(dir + "/one.agi", Resource(one));
        const std::string options = std::string(" ") + c.options + " ";
        ASSERT_EQ(RunConvert(options + dir + "/all.agi " + dir + "/all.wav").exitCode, 0);
        ASSERT_EQ(RunConvert(options + dir + "/one.agi " + dir + "/one.wav").exitCode, 0);
        const ConvertResult r =
            RunConvert(options + "--mute " + c.mute + " " + dir + "/all.agi " + dir + "/stem.wav");
        ASSERT_EQ(r.exitCode, 0) << r.out;
        ExpectStem(WavSamples(ReadFileBytes(dir + "/stem.wav")),
                   WavSamples(ReadFileBytes(dir + "/one.wav")),
                   WavSamples(ReadFileBytes(dir + "/all.wav")).size(), what);
    }
}

TEST(VoiceMute, ConverterRefusesBadListsAndOtherOutputs)
{
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/all.agi", Resource(kVoices));
    for (const char* list : {"4", "1,,2", "1,1", "", "1,"})
    {
        const ConvertResult r =
            RunConvert(std::string("--mute '") + list + "' " + dir + "/all.agi " + dir + "/x.wav");
        EXPECT_EQ(r.exitCode, 2) << list;
        EXPECT_NE(r.out.find("--mute needs voices from 0 to 3"), std::string::npos) << r.out;
    }
    EXPECT_EQ(RunConvert("--mute 1 " + dir + "/all.agi " + dir + "/x.mid").exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.wav"));
}

TEST(VoiceMute, UnmutedVoiceTakesUpItsLevelAtOnce)
{
    const std::string agi = Resource(kVoices);
    const auto* pData = reinterpret_cast<const std::uint8_t*>(agi.data());
    CAgiChipRender full(pData, agi.size());
    Samples whole(full.GetTotalSamples());
    full.Read(whole.data(), whole.size());
    CAgiChipRender render(pData, agi.size());
    render.SetMuteMask(0b0010);
    constexpr std::size_t kSwitch = 10 * 735 + 100;
    Samples out(whole.size());
    render.Read(out.data(), kSwitch);
    render.SetMuteMask(0);
    render.Read(out.data() + kSwitch, out.size() - kSwitch);
    // Voice 1 holds one note throughout: past the band-limiting's reach the mix is whole again.
    constexpr std::size_t kSettled = kSwitch + 64;
    EXPECT_TRUE(std::equal(out.begin() + kSettled, out.end(), whole.begin() + kSettled));
    EXPECT_FALSE(std::equal(out.begin(), out.begin() + kSwitch, whole.begin()));
}

TEST(VoiceMute, ConverterVgmSilencesTheMutedVoicesFromTheStart)
{
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/all.agi", Resource(kVoices));
    const ConvertResult r = RunConvert("--mute 3,1 " + dir + "/all.agi " + dir + "/x.vgm");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string file = ReadFileBytes(dir + "/x.vgm");
    const std::vector<std::uint8_t> b(file.begin(), file.end());
    // Every attenuation latch (0x50 0x9X/0xBX/0xDX/0xFX) of voices 1 and 3 is off.
    int nSilenced = 0;
    for (std::size_t i = 0x40; i + 1 < b.size() && b[i] != 0x66;)
    {
        if (b[i] == 0x50)
        {
            const std::uint8_t data = b[i + 1];
            const int voice = (data >> 5) & 3;
            if ((data & 0x90) == 0x90 && (voice == 1 || voice == 3))
            {
                EXPECT_EQ(data & 15, 15) << "at " << i;
                ++nSilenced;
            }
            i += 2;
        }
        else if (b[i] == 0x61)
            i += 3;
        else
            i += 1;
    }
    EXPECT_GE(nSilenced, 4);
}
