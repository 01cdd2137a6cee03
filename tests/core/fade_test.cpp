// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "playback/SoundRenderer.h"
#include "sound/AgiResource.h"
#include "support/FadeTables.h"
#include "support/RenderedSound.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace
{
using Samples = std::vector<std::int16_t>;
constexpr std::size_t kTick = 735;

// RMS of a tick once the band-limited edge of its level change has passed.
double TickRms(const Samples& samples, std::size_t tick)
{
    return Rms(samples, tick * kTick + 40, (tick + 1) * kTick);
}

// Each tick's attenuation read from its level against the loudest: 2 dB a step, 15 silent.
std::vector<int> MeasuredAttenuations(const Samples& samples, double loudestRms)
{
    std::vector<int> out;
    for (std::size_t tick = 0; tick < samples.size() / kTick; ++tick)
    {
        const double rms = TickRms(samples, tick);
        out.push_back(
            rms < 1.0 ? 15 : static_cast<int>(std::lround(20 * std::log10(loudestRms / rms) / 2)));
    }
    return out;
}

// What a tone voice plays over records of these lengths at one attenuation.
std::vector<int> Expected(const std::vector<int>& table, int attenuation,
                          std::initializer_list<int> records)
{
    std::vector<int> out;
    for (const int ticks : records)
        for (int k = 0; k < ticks; ++k)
            out.push_back(
                attenuation == 15
                    ? 15
                    : std::clamp(attenuation + table[std::min<std::size_t>(k, table.size() - 1)], 0,
                                 15));
    return out;
}

struct FadeCase
{
    FadeKind fade;
    const std::vector<int>& table;
    SynthKind kind;
};
const FadeCase kFades[] = {{FadeKind::V2, kTable29, SynthKind::PCjr},
                           {FadeKind::V3, kTable3, SynthKind::PCjr},
                           {FadeKind::V2, kTable29, SynthKind::Tandy},
                           {FadeKind::V3, kTable3, SynthKind::Tandy}};

std::string LongNote(int attenuation)
{
    // A volume-only record restarts the table as a new note does.
    return Resource(
        {Tone(0, 100, 100, attenuation) + Record(30, 0, 0, 0x90 + attenuation), "", "", ""});
}
} // namespace

TEST(InterpreterFade, LevelPerTickFollowsTheTableRestartedAtEveryRecord)
{
    const double loudest = TickRms(RenderAgi(LongNote(0), SynthKind::PCjr, FadeKind::None), 50);
    for (const FadeCase& c : kFades)
        for (const int attenuation : {0, 4, 10, 15})
        {
            const Samples samples = RenderAgi(LongNote(attenuation), c.kind, c.fade);
            ASSERT_EQ(samples.size(), 130 * kTick);
            EXPECT_EQ(MeasuredAttenuations(samples, loudest),
                      Expected(c.table, attenuation, {100, 30}))
                << FadeKindName(c.fade) << " at " << attenuation;
        }
}

TEST(InterpreterFade, NoiseAndTheSpeakerDoNotFade)
{
    const std::string noise = Resource({"", "", "", Noise(90, 1, true, 3)});
    const std::string tone = LongNote(2);
    EXPECT_EQ(RenderAgi(noise, SynthKind::PCjr, FadeKind::V3),
              RenderAgi(noise, SynthKind::PCjr, FadeKind::None));
    EXPECT_EQ(RenderAgi(tone, SynthKind::Speaker, FadeKind::V2),
              RenderAgi(tone, SynthKind::Speaker, FadeKind::None));
    EXPECT_NE(RenderAgi(tone, SynthKind::PCjr, FadeKind::V2),
              RenderAgi(tone, SynthKind::PCjr, FadeKind::None));
}

// Playback reaches the fade and the speaker as the AGI resource's render does.
TEST(InterpreterFade, DocumentRoutesPlayWhatTheirExportPlays)
{
    CSoundDoc doc;
    doc.OnNewDocument();
    std::vector<std::uint8_t> exported;
    {
        std::lock_guard lock(doc.Guard());
        const std::string agi = RandomResource(11, 12, 40);
        ASSERT_EQ(ParseAgiResource(doc, {agi.begin(), agi.end()}), "");
        exported = BuildAgiResource(doc).bytes;
    }
    const std::pair<SynthKind, FadeKind> choices[] = {{SynthKind::PCjr, FadeKind::V2},
                                                      {SynthKind::Tandy, FadeKind::V3},
                                                      {SynthKind::Speaker, FadeKind::V3}};
    for (const auto& [kind, fade] : choices)
    {
        const std::string name = std::string(SynthKindName(kind)) + FadeKindName(fade);
        const Samples agi = RenderAgi(std::string(exported.begin(), exported.end()), kind, fade);

        const auto pRenderer = MakeSoundRenderer(kind, fade);
        Samples played(agi.size());
        {
            std::lock_guard lock(doc.Guard());
            std::string error;
            ASSERT_TRUE(pRenderer->Begin(doc, doc.GetPlayRange().start, error)) << error;
            for (std::size_t at = 0; at < played.size(); at += kTick)
            {
                pRenderer->RenderSlot(played.data() + at);
                pRenderer->Advance(doc);
            }
        }
        EXPECT_TRUE(played == agi) << name;
    }
}

TEST(InterpreterFade, PreviewFadesAsTheGameWould)
{
    const auto pRenderer = MakeSoundRenderer(SynthKind::PCjr, FadeKind::V3);
    Samples preview(ISoundRenderer::kPreviewSamples);
    ASSERT_TRUE(pRenderer->RenderPreview(69, preview.data()));
    const double loudest = TickRms(RenderAgi(LongNote(0), SynthKind::PCjr, FadeKind::None), 50);
    const std::size_t toneTicks = ISoundRenderer::kPreviewToneSamples / kTick;
    preview.resize(toneTicks * kTick);
    EXPECT_EQ(MeasuredAttenuations(preview, loudest),
              Expected(kTable3, 0, {static_cast<int>(toneTicks)}));
}
