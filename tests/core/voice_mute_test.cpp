// SPDX-License-Identifier: GPL-3.0-or-later
// Leaving voices out: stems from the converter, the chip's live mute, muting while playing.
#include "AgiTestBytes.h"
#include "playback/AgiChipRender.h"
#include "playback/BandLimitedSteps.h"
#include "sound/VgmWriter.h"
#include "support/Spectrum.h"
#include "support/TestSupport.h"
#include "support/VirtualPlayer.h"

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

Samples Render(const std::string& agi, SynthKind kind, FadeKind fade, unsigned muteMask)
{
    CAgiChipRender render(reinterpret_cast<const std::uint8_t*>(agi.data()), agi.size(), kind,
                          fade);
    render.SetMuteMask(muteMask);
    Samples out(render.GetTotalSamples());
    out.resize(render.Read(out.data(), out.size()));
    return out;
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
        const char* chip;
        int kept;
        const char* mute;
    } cases[] = {
        {"pcjr", 0, "1,2,3"}, {"pcjr", 3, "0,1,2"}, {"tandy", 1, "3,0,2"},   {"tandy", 2, "0,1,3"},
        {"sine", 0, "1,2,3"}, {"sine", 1, "0,2"},   {"speaker", 0, "1,2,3"}, {"speaker", 1, "0"},
    };
    for (const auto& c : cases)
    {
        const std::string what = std::string(c.chip) + " keeps " + std::to_string(c.kept);
        std::array<std::string, 4> one{};
        one[c.kept] = kVoices[c.kept];
        WriteFileBytes(dir + "/one.agi", Resource(one));
        const std::string chip = std::string(" --chip ") + c.chip + " ";
        ASSERT_EQ(RunConvert(chip + dir + "/all.agi " + dir + "/all.wav").exitCode, 0);
        ASSERT_EQ(RunConvert(chip + dir + "/one.agi " + dir + "/one.wav").exitCode, 0);
        const ConvertResult r =
            RunConvert(chip + "--mute " + c.mute + " " + dir + "/all.agi " + dir + "/stem.wav");
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
    for (const char* list : {"4", "1,,2", "1,1", "", "1,", "-1", "a"})
    {
        const ConvertResult r =
            RunConvert(std::string("--mute '") + list + "' " + dir + "/all.agi " + dir + "/x.wav");
        EXPECT_EQ(r.exitCode, 2) << list;
        EXPECT_NE(r.out.find("--mute needs voices from 0 to 3"), std::string::npos) << r.out;
    }
    EXPECT_NE(RunConvert("--mute 1 " + dir + "/all.agi " + dir + "/x.mid").exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.wav"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.mid"));
}

TEST(VoiceMute, FadedStemsMatchTheFadedVoiceAlone)
{
    for (const FadeKind fade : {FadeKind::None, FadeKind::V2, FadeKind::V3})
        for (int kept = 0; kept < 3; ++kept)
        {
            std::array<std::string, 4> one{};
            one[kept] = kVoices[kept];
            const Samples whole = Render(Resource(kVoices), SynthKind::PCjr, fade, 0);
            ExpectStem(
                Render(Resource(kVoices), SynthKind::PCjr, fade, kAllVoicesMask ^ (1u << kept)),
                Render(Resource(one), SynthKind::PCjr, fade, 0), whole.size(),
                "voice " + std::to_string(kept));
        }
}

TEST(VoiceMute, UnmutedVoiceTakesUpItsLevelAtOnce)
{
    const std::string agi = Resource(kVoices);
    const Samples whole = Render(agi, SynthKind::PCjr, FadeKind::None, 0);
    CAgiChipRender render(reinterpret_cast<const std::uint8_t*>(agi.data()), agi.size(),
                          SynthKind::PCjr);
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

TEST(VoiceMute, MutingWhilePlayingTakesTheVoiceOutOfTheMixAndItsPreviews)
{
    CSoundDoc doc;
    doc.OnNewDocument();
    doc.AssignProperties({120, doc.GetStepSize(), doc.GetTracksPerBeat()});
    doc.AssignPlayRange({0, 7});
    // A4 held on voice 0, E5 on voice 1.
    doc.PlacePattern(0, 0, doc.CreatePattern(0, 8))->SetCell(0, {69, 255, 0, 0});
    doc.PlacePattern(1, 0, doc.CreatePattern(1, 8))->SetCell(0, {76, 255, 0, 0});
    CVirtualPlayer player;
    player.m_thread.SetMuteMask(0b0010);
    player.Play(doc);
    player.AdvanceRows(doc, 4);
    Samples heard = player.m_pDevice->TakeOutput();
    constexpr std::size_t kN = 4096;
    const CSpectrum muted(heard.data() + 2 * CVirtualPlayer::kRow, kN);
    EXPECT_GT(muted.Db(440.0), -30.0);
    EXPECT_LT(muted.Db(659.3), -80.0);

    // Unmuted, it returns with the slots rendered from then on.
    player.m_thread.SetMuteMask(0);
    player.AdvanceRows(doc, 8);
    heard = player.m_pDevice->TakeOutput();
    const CSpectrum back(heard.data() + 6 * CVirtualPlayer::kRow, kN);
    EXPECT_GT(back.Db(440.0), -30.0);
    EXPECT_GT(back.Db(659.3), -30.0);

    // A preview of a muted channel is not heard; of another, it is.
    player.m_thread.PostStop();
    player.m_pDevice->TakeOutput();
    player.m_thread.SetMuteMask(0b0001);
    for (const int voice : {0, 1})
    {
        player.m_thread.PostPreview(&doc, 81, voice);
        player.m_thread.WaitUntilHandled();
        player.m_pDevice->Advance(kN);
        heard = player.m_pDevice->TakeOutput();
        ASSERT_GE(heard.size(), kN);
        EXPECT_EQ(CSpectrum(heard.data(), kN).Db(880.0) > -30.0, voice == 1) << voice;
    }
}
