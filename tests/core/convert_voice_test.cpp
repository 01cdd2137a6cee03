// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "framework/AtomicFile.h"
#include "playback/WavWriter.h"
#include "sound/VgmWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{
int Convert(const std::string& args)
{
    return RunConvert(args).exitCode;
}

struct ConvertVoiceTest : ::testing::Test
{
    // The document and its own AGI export, the two routes that must sound the same, of long
    // notes on every voice, so that a fade has time to be heard.
    void SetUp() override
    {
        WriteFileBytes(dir + "/first.agi",
                       Resource({Tone(0, 90, 200, 0) + Tone(0, 60, 300, 4), Tone(1, 120, 250, 10),
                                 Tone(2, 45, 400, 2), Noise(80, 2, true, 3)}));
        ASSERT_EQ(Convert(dir + "/first.agi " + dir + "/song.tks"), 0);
        ASSERT_EQ(Convert(dir + "/song.tks " + dir + "/song.agi"), 0);
        resource = ReadFileBytes(dir + "/song.agi");
    }
    std::string dir = MakeTempDir();
    std::string resource;
};
} // namespace

TEST_F(ConvertVoiceTest, WavTakesTheFadeAndSpeakerAsTheRenderDoes)
{
    const std::pair<const char*, SynthKind> chips[] = {
        {"pcjr", SynthKind::PCjr}, {"tandy", SynthKind::Tandy}, {"speaker", SynthKind::Speaker}};
    const std::pair<const char*, FadeKind> fades[] = {
        {"none", FadeKind::None}, {"2.9", FadeKind::V2}, {"3", FadeKind::V3}};
    for (const auto& [pszChip, chip] : chips)
    {
        std::string flat;
        for (const auto& [pszFade, fade] : fades)
        {
            const std::string voice = std::string("--chip ") + pszChip + " --fade " + pszFade;
            SCOPED_TRACE(voice);
            ASSERT_EQ(Convert(voice + " " + dir + "/song.agi " + dir + "/agi.wav"), 0);
            ASSERT_EQ(Convert(voice + " " + dir + "/song.tks " + dir + "/tks.wav"), 0);
            const std::vector<std::uint8_t> bytes(resource.begin(), resource.end());
            const WavOptions options{chip, {}, fade};
            ASSERT_TRUE(WriteAtomically(dir + "/core.wav", [&](CFile& out)
                                        { return ExportAgiWav(bytes, options, out); }));
            const std::string wav = ReadFileBytes(dir + "/agi.wav");
            EXPECT_TRUE(wav == ReadFileBytes(dir + "/core.wav"));
            EXPECT_TRUE(wav == ReadFileBytes(dir + "/tks.wav"));
            if (fade == FadeKind::None)
                flat = wav;
            else // the speaker has one level: no fade moves it
                EXPECT_EQ(wav == flat, chip == SynthKind::Speaker);
        }
    }
}

TEST_F(ConvertVoiceTest, VgmHoldsTheRecordsWithTheChosenChipFadeAndLoop)
{
    const auto* pData = reinterpret_cast<const std::uint8_t*>(resource.data());
    // The options, the output's name, what the core builds for them.
    const std::tuple<std::string, const char*, VgmOptions> cases[] = {
        {"--to vgm", "out.bin", {SynthKind::PCjr, FadeKind::None, false, "song", ""}},
        {"--chip tandy --fade 2.9 --loop",
         "out.vgm",
         {SynthKind::Tandy, FadeKind::V2, true, "song", ""}},
        {"--chip speaker --fade 3", "out.vgm", {SynthKind::PCjr, FadeKind::V3, false, "song", ""}},
    };
    for (const auto& [options, output, vgm] : cases)
    {
        SCOPED_TRACE(options);
        const std::string out = dir + "/" + output;
        ASSERT_EQ(Convert(options + " " + dir + "/song.agi " + out), 0);
        const std::vector<std::uint8_t> built = BuildVgm(pData, resource.size(), vgm).Value();
        const std::string expected(built.begin(), built.end());
        EXPECT_TRUE(ReadFileBytes(out) == expected);
        // The document's route writes the same records.
        ASSERT_EQ(Convert(options + " --to vgm " + dir + "/song.tks " + out), 0);
        EXPECT_TRUE(ReadFileBytes(out) == expected);
    }

    // A .vgz is the same file, as gzip itself unpacks it.
    ASSERT_EQ(Convert("--chip tandy " + dir + "/song.agi " + dir + "/out.vgz"), 0);
    ASSERT_EQ(Convert("--chip tandy " + dir + "/song.agi " + dir + "/plain.vgm"), 0);
    EXPECT_EQ(ReadFileBytes(dir + "/out.vgz").substr(0, 2), "\x1f\x8b");
    ASSERT_EQ(std::system(("gzip -dc < " + dir + "/out.vgz > " + dir + "/unpacked").c_str()), 0);
    EXPECT_TRUE(ReadFileBytes(dir + "/unpacked") == ReadFileBytes(dir + "/plain.vgm"));
}
