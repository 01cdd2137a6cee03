// SPDX-License-Identifier: GPL-3.0-or-later
// Each voice on its own: the renderers' voice outputs, the ring that carries them to the scopes
// and the trigger that holds a steady tone still; voices left out of stems and muted live.
#include "AgiTestBytes.h"
#include "playback/AgiChipRender.h"
#include "playback/BandLimitedSteps.h"
#include "playback/ChipSynth.h"
#include "playback/ScopeTrigger.h"
#include "playback/VoiceScopeRing.h"
#include "support/RenderedSound.h"
#include "support/Spectrum.h"
#include "support/VirtualPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace
{
using Window = std::array<std::int16_t, kScopeWindow>;

class CCollectVoices : public IVoiceSink
{
public:
    void WriteVoices(const Blocks& voices, std::size_t n) override
    {
        for (int v = 0; v < kVoices; ++v)
            for (std::size_t i = 0; i < n; ++i)
                m_voices[v].push_back(voices[v] != nullptr ? voices[v][i] : std::int16_t{0});
    }
    std::array<Samples, kVoices> m_voices;
};

// Voice v of sample p holds a value that names both, so a misplaced sample shows.
std::int16_t Marked(int voice, std::uint64_t p)
{
    return static_cast<std::int16_t>(1 + voice * 8000 + p % 7919);
}

void WriteMarked(CVoiceScopeRing& ring, std::size_t n)
{
    const std::uint64_t start = ring.GetWritten();
    std::array<Samples, IVoiceSink::kVoices> blocks;
    IVoiceSink::Blocks pointers{};
    for (int v = 0; v < IVoiceSink::kVoices; ++v)
    {
        for (std::size_t i = 0; i < n; ++i)
            blocks[v].push_back(Marked(v, start + i));
        pointers[v] = blocks[v].data();
    }
    ring.WriteVoices(pointers, n);
}

// How far picture b lies from a, in samples, within half a period either way: the shift that
// brings them closest.
int PictureShift(const Window& a, const Window& b, int period)
{
    const int reach = period / 2;
    int best = 0;
    std::int64_t bestError = -1;
    for (int shift = -reach; shift <= reach; ++shift)
    {
        std::int64_t error = 0;
        for (int i = reach; i + reach < static_cast<int>(a.size()); ++i)
            error += std::abs(a[i] - b[i + shift]);
        if (bestError < 0 || error < bestError)
            bestError = error, best = shift;
    }
    return best;
}

Samples RenderChip(const std::string& agi, SynthKind kind, unsigned muteMask, IVoiceSink* pSink)
{
    CAgiChipRender render(reinterpret_cast<const std::uint8_t*>(agi.data()), agi.size(), kind);
    render.SetMuteMask(muteMask);
    render.SetVoiceSink(pSink);
    Samples out(render.GetTotalSamples());
    // Odd block sizes: the voices must stay in step with the mix across calls.
    for (std::size_t done = 0; done < out.size();)
        done += render.Read(out.data() + done, std::min<std::size_t>(999, out.size() - done));
    return out;
}

// Voice 0 ends first; the noise runs on its own rates, so each voice alone is a resource.
const std::array<std::string, 4> kVoices = {
    Tone(0, 30, 254, 0) + Tone(0, 20, 300, 2),
    Tone(1, 90, 160, 0),
    Tone(2, 40, 400, 4) + Tone(2, 40, 500, 3),
    Noise(60, 1, true, 2) + Noise(20, 2, false, 0),
};

// Every voice's scope window, the newest one, is silent.
bool ScopesAtRest(const CVoiceScopeRing& ring)
{
    Window window{};
    for (int v = 0; v < IVoiceSink::kVoices; ++v)
    {
        ReadScopeWindow(ring, v, window.data());
        if (!IsSilent(window.data(), window.size()))
            return false;
    }
    return true;
}

class VoiceMuteConverter : public ::testing::Test
{
protected:
    void SetUp() override { WriteFileBytes(m_dir + "/all.agi", Resource(kVoices)); }
    // "D/" in the line stands for the test's folder.
    ConvertResult Run(const std::string& line) { return RunConvert(InFolder(line, m_dir)); }
    Samples Wav(const std::string& name) { return WavSamples(ReadFileBytes(m_dir + "/" + name)); }
    const std::string m_dir = MakeTempDir();
};
} // namespace

TEST(VoiceScopeRing, KeepsTheNewestFollowsTheHeardPositionAndRests)
{
    CVoiceScopeRing ring(1024);
    // Overrun: the writer never waits; the oldest samples give way.
    WriteMarked(ring, 700);
    WriteMarked(ring, 2500);
    ASSERT_EQ(ring.GetWritten(), 3200u);
    Samples out(1500);
    for (int v = 0; v < IVoiceSink::kVoices; ++v)
    {
        // The window [1900, 3400): 1900-2175 is overwritten, 3200 on is not written yet.
        ring.Read(v, 3400, out.data(), out.size());
        for (std::size_t i = 0; i < out.size(); ++i)
        {
            const std::uint64_t p = 1900 + i;
            const bool bHeld = p >= 3200 - 1024 && p < 3200;
            EXPECT_EQ(out[i], bHeld ? Marked(v, p) : 0) << "voice " << v << " at " << p;
        }
    }
    // Before the first sample there is nothing either.
    ring.Read(0, 10, out.data(), 20);
    EXPECT_TRUE(IsSilent(out.data(), 20));

    // The heard position runs on with the sample clock; at rest every voice is silent.
    ring.MarkHeard(3000, 100);
    EXPECT_EQ(ring.HeardAt(835), 3735u);
    ring.Rest();
    EXPECT_TRUE(ScopesAtRest(ring));
}

TEST(VoiceScopeRing, ReaderRacingTheWriterSeesOnlyTrueSamplesOrSilence)
{
    CVoiceScopeRing ring(2048);
    std::atomic<bool> bDone{false};
    std::thread writer(
        [&]
        {
            // Blocks of a chip tick, far faster than a reader draws.
            for (int i = 0; i < 3000; ++i)
                WriteMarked(ring, 735);
            bDone.store(true);
        });
    Samples out(kScopeSpan);
    int nReads = 0;
    int nWrong = 0;
    while (!bDone.load() || nReads == 0)
    {
        const std::uint64_t end = ring.GetWritten();
        const int v = nReads++ % IVoiceSink::kVoices;
        ring.Read(v, end, out.data(), out.size());
        for (std::size_t i = 0; i < out.size(); ++i)
        {
            const std::int64_t p = static_cast<std::int64_t>(end - out.size() + i);
            if (out[i] != 0 && (p < 0 || out[i] != Marked(v, static_cast<std::uint64_t>(p))))
                ++nWrong;
        }
    }
    writer.join();
    EXPECT_EQ(nWrong, 0) << "in " << nReads << " reads";
}

TEST(ScopeTrigger, SteadyTonesStandStillFromFrameToFrame)
{
    // Chip tones of several pitches and a sine, each with the frames of a 60 Hz display.
    std::vector<std::tuple<std::string, Samples, int>> cases; // what, the tone, its period
    for (const int divisor : {97, 254, 1000})
    {
        CCollectVoices voices;
        RenderChip(Resource({Tone(0, 60, divisor, 0), "", "", ""}), SynthKind::PCjr, 0, &voices);
        cases.push_back({"divisor " + std::to_string(divisor), voices.m_voices[0],
                         static_cast<int>(44100.0 * 32 * divisor / CChipSynth::kClockHz)});
    }
    Samples sine(44100);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 261.63 * i / 44100.0));
    cases.push_back({"sine", sine, 169});

    for (const auto& [what, tone, period] : cases)
    {
        CVoiceScopeRing ring(1 << 16);
        ring.WriteVoices({tone.data(), nullptr, nullptr, nullptr}, tone.size());
        ring.MarkHeard(20000, 0);
        Window first{}, second{};
        ReadScopeWindow(ring, 0, first.data(), 0);
        ReadScopeWindow(ring, 0, second.data(), 2 * 735);
        // Within the edges' sub-sample phase, the same picture.
        EXPECT_LE(std::abs(PictureShift(first, second, period)), 1) << what;
        EXPECT_GT(*std::max_element(first.begin(), first.end()), 3000) << what;
    }
}

TEST(ScopeTrigger, FreeRunsWithoutACrossing)
{
    Samples span(kScopeSpan, 0);
    EXPECT_EQ(FindScopeTrigger(span.data(), span.size(), kScopeWindow, false), kScopeWindow);
    // A crossing too late for a whole window after it does not count.
    span.assign(kScopeSpan, -500);
    std::fill(span.end() - 10, span.end(), std::int16_t{500});
    EXPECT_EQ(FindScopeTrigger(span.data(), span.size(), kScopeWindow, false), kScopeWindow);
    // A wobble near zero after a rising edge is not a crossing.
    span.assign(kScopeSpan, -4000);
    std::fill(span.begin() + 100, span.begin() + 400, std::int16_t{4000});
    for (std::size_t i = 400; i < span.size(); ++i)
        span[i] = static_cast<std::int16_t>(i % 2 == 0 ? 5 : -5);
    EXPECT_EQ(FindScopeTrigger(span.data(), span.size(), 500, false), 100u);
}

TEST(VoiceOutputs, ChipVoicesAddUpToTheMixWhichTheyLeaveUnchanged)
{
    const std::string agi = Resource(kVoices);
    for (const auto& [kind, muteMask] : {std::pair{SynthKind::PCjr, 0u},
                                         {SynthKind::Tandy, 0b0101u},
                                         {SynthKind::Speaker, 0u},
                                         {SynthKind::PCjr, 0b1110u}})
    {
        CCollectVoices voices;
        const Samples mix = RenderChip(agi, kind, muteMask, &voices);
        EXPECT_EQ(mix, RenderChip(agi, kind, muteMask, nullptr));
        int worst = 0;
        for (std::size_t i = 0; i < mix.size(); ++i)
        {
            int sum = 0;
            for (const Samples& voice : voices.m_voices)
                sum += voice.at(i);
            worst = std::max(worst, std::abs(sum - mix[i]));
        }
        // Each voice rounds on its own.
        EXPECT_LE(worst, 2) << static_cast<int>(kind);
        for (int v = 0; v < IVoiceSink::kVoices; ++v)
        {
            const bool bHeard = !((muteMask >> v) & 1u) && (kind != SynthKind::Speaker || v == 0);
            const Samples& voice = voices.m_voices[v];
            EXPECT_EQ(IsSilent(voice.data(), voice.size()), !bHeard) << v;
        }
    }
}

TEST(VoiceOutputs, PlayThreadLeavesTheMutedOutAndDrawsWhatIsHeard)
{
    CSoundDoc doc;
    doc.OnNewDocument();
    doc.AssignProperties({120, doc.GetStepSize(), doc.GetTracksPerBeat()});
    doc.AssignPlayRange({0, 7});
    // A4 held on voice 0, E5 on voice 1, which is muted.
    doc.PlacePattern(0, 0, doc.CreatePattern(0, 8))->SetCell(0, {69, 255, 0, 0});
    doc.PlacePattern(1, 0, doc.CreatePattern(1, 8))->SetCell(0, {76, 255, 0, 0});
    for (const SynthKind kind : {SynthKind::Sine, SynthKind::PCjr})
    {
        CVirtualPlayer player;
        player.m_thread.SetSynthKind(kind);
        player.m_thread.SetMuteMask(0b0010);
        const CVoiceScopeRing& scopes = player.m_thread.GetVoiceScopes();
        player.Play(doc);
        player.AdvanceRows(3);
        constexpr std::size_t kN = 4096;
        std::array<Samples, 2> latest{Samples(kN), Samples(kN)};
        for (int v = 0; v < 2; ++v)
            scopes.Read(v, scopes.GetWritten(), latest[v].data(), kN);
        EXPECT_GT(CSpectrum(latest[0].data(), kN).Db(440.0), -30.0);
        EXPECT_TRUE(IsSilent(latest[1].data(), kN));
        // The muted voice is out of what is heard too.
        const Samples heard = player.m_pDevice->TakeOutput();
        const CSpectrum mix(heard.data() + CVirtualPlayer::kRow, kN);
        EXPECT_GT(mix.Db(440.0), -30.0);
        EXPECT_LT(mix.Db(659.3), -80.0);

        player.m_thread.PostStop();
        EXPECT_TRUE(ScopesAtRest(scopes));
        // Stopped, a preview is drawn on its voice from its start.
        player.m_thread.PostPreview(&doc, 81, 2);
        player.m_thread.WaitUntilHandled();
        player.m_pDevice->Advance(kN);
        scopes.Read(2, scopes.GetWritten() - CToneSynth::kPreviewTailBytes / 2, latest[0].data(),
                    kN);
        EXPECT_GT(CSpectrum(latest[0].data(), kN).Db(880.0), -30.0);
    }
}

TEST_F(VoiceMuteConverter, StemIsTheOneVoiceResourceSampleForSample)
{
    // Options, the voice kept and the ones muted.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"--chip pcjr", 0, "1,2,3"},    {"--chip pcjr --fade 3", 3, "0,1,2"},
        {"--chip tandy", 1, "3,0,2"},   {"--chip tandy --fade 2.9", 2, "0,1,3"},
        {"--chip sine", 0, "1,2,3"},    {"--chip sine", 1, "0,2"},
        {"--chip speaker", 0, "1,2,3"}, {"--chip speaker", 1, "0"},
    };
    for (const auto& [chip, kept, mute] : cases)
    {
        SCOPED_TRACE(std::string(chip) + " keeps " + std::to_string(kept));
        std::array<std::string, 4> one{};
        one[kept] = kVoices[kept];
        WriteFileBytes(m_dir + "/one.agi", Resource(one));
        const std::string options = std::string(chip) + " ";
        ASSERT_EQ(Run(options + "D/all.agi D/all.wav").exitCode, 0);
        ASSERT_EQ(Run(options + "D/one.agi D/one.wav").exitCode, 0);
        const ConvertResult r = Run(options + "--mute " + mute + " D/all.agi D/stem.wav");
        ASSERT_EQ(r.exitCode, 0) << r.out;
        // The whole sound's length: the kept voice's own render, then silence once the
        // band-limiting has rung out the voice's last step (the shorter render stops before).
        const Samples stem = Wav("stem.wav"), alone = Wav("one.wav");
        ASSERT_EQ(stem.size(), Wav("all.wav").size());
        ASSERT_LE(alone.size(), stem.size());
        EXPECT_TRUE(std::equal(alone.begin(), alone.end(), stem.begin()));
        const std::size_t quiet = std::min(stem.size(), alone.size() + CBandLimitedSteps::kTaps);
        EXPECT_TRUE(IsSilent(stem.data() + quiet, stem.size() - quiet));
    }
}

TEST_F(VoiceMuteConverter, RefusesBadListsAndOtherOutputs)
{
    for (const char* list : {"4", "1,,2", "1,1", "", "1,"})
    {
        const ConvertResult r = Run(std::string("--mute '") + list + "' D/all.agi D/x.wav");
        EXPECT_EQ(r.exitCode, 2) << list;
        EXPECT_NE(r.out.find("--mute needs voices from 0 to 3"), std::string::npos) << r.out;
    }
    EXPECT_EQ(Run("--mute 1 D/all.agi D/x.mid").exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/x.wav"));
}

TEST(VoiceMute, UnmutedVoiceTakesUpItsLevelAtOnce)
{
    const std::string agi = Resource(kVoices);
    const Samples whole = RenderChip(agi, SynthKind::PCjr, 0, nullptr);
    CAgiChipRender render(reinterpret_cast<const std::uint8_t*>(agi.data()), agi.size());
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

TEST_F(VoiceMuteConverter, VgmSilencesTheMutedVoicesFromTheStart)
{
    const ConvertResult r = Run("--mute 3,1 D/all.agi D/x.vgm");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string b = ReadFileBytes(m_dir + "/x.vgm");
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(b[i]); };
    // Every attenuation latch of voices 1 and 3 (0x50 0xBX or 0xFX) is off.
    int nSilenced = 0;
    for (std::size_t i = 0x40; i + 1 < b.size() && at(i) != 0x66;
         i += at(i) == 0x50 ? 2 : (at(i) == 0x61 ? 3 : 1))
        if (at(i) == 0x50 && (at(i + 1) & 0xB0) == 0xB0)
        {
            EXPECT_EQ(at(i + 1) & 15, 15) << "at " << i;
            ++nSilenced;
        }
    EXPECT_GE(nSilenced, 4);
}
