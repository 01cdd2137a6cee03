// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "framework/TextCodec.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"
#include "sound/VgmImport.h"
#include "sound/VgmWriter.h"
#include "support/EngineTimeline.h"
#include "support/FadeTables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <mutex>
#include <utility>

namespace
{
constexpr std::uint32_t kTick = 735;

std::uint32_t LE32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A small VGM reader for this one chip: the chip's state on every tick, and what a player
// would trip over.
struct DecodedVgm
{
    std::vector<std::vector<TickState>> ticks{4};
    // The ticks at which the noise register is written: each write restarts it.
    std::vector<std::uint64_t> noiseStarts;
    std::vector<std::string> tag;
    std::string problems;
    bool bEndsSilent = false;
};

std::vector<std::string> ReadTag(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::vector<std::string> strings;
    if (at + 12 > b.size() || std::string(b.begin() + at, b.begin() + at + 4) != "Gd3 ")
        return strings;
    std::string text;
    for (std::size_t i = at + 12; i + 1 < at + 12 + LE32(b, at + 8); i += 2)
    {
        if (b[i] == 0 && b[i + 1] == 0)
            strings.push_back(Utf16LeToUtf8(std::exchange(text, {})));
        else
            text += std::string{static_cast<char>(b[i]), static_cast<char>(b[i + 1])};
    }
    return strings;
}

DecodedVgm Decode(const std::vector<std::uint8_t>& b)
{
    DecodedVgm out;
    std::array<TickState, 4> state;
    state.fill({0, 15});
    int latched = 0;
    bool bLatchedTone = false;
    std::uint64_t time = 0;
    const auto advance = [&](std::uint64_t n)
    {
        for (std::uint64_t t = (time + kTick - 1) / kTick; t * kTick < time + n; ++t)
            for (int c = 0; c < 4; ++c)
                out.ticks[c].push_back(state[c]);
        time += n;
    };
    for (std::size_t pos = 0x34 + LE32(b, 0x34); pos < b.size();)
    {
        const std::uint8_t command = b[pos];
        if (command == 0x66)
        {
            out.bEndsSilent = std::all_of(state.begin(), state.end(),
                                          [](const TickState& s) { return s.attenuation == 15; });
            break;
        }
        if (command == 0x62)
            advance(kTick), pos += 1;
        else if (command == 0x61)
            advance(b[pos + 1] | b[pos + 2] << 8), pos += 3;
        else if (command == 0x50)
        {
            if (time % kTick != 0)
                out.problems += "write between ticks at " + std::to_string(time) + "\n";
            const unsigned d = b[pos + 1];
            if ((d & 0x80) != 0)
            {
                latched = (d >> 5) & 3;
                bLatchedTone = (d & 0x10) == 0;
                if (!bLatchedTone)
                    state[latched].attenuation = d & 15;
                else if (latched == 3)
                {
                    state[3].setting = d & 7;
                    out.noiseStarts.push_back(time / kTick);
                }
                else
                    state[latched].setting = (state[latched].setting & 0x3F0) | (d & 15);
            }
            else if (bLatchedTone && latched < 3)
                state[latched].setting = (state[latched].setting & 15) | (d & 0x3F) << 4;
            else
                out.problems += "data byte after a noise or volume latch\n";
            pos += 2;
        }
        else
        {
            out.problems += "unknown command " + std::to_string(command) + "\n";
            break;
        }
    }
    if (time != LE32(b, 0x18))
        out.problems += "waits do not add up to the total\n";
    out.tag = ReadTag(b, 0x14 + LE32(b, 0x14));
    return out;
}

// Each channel's (setting, attenuation) tick by tick.
std::vector<std::pair<unsigned, unsigned>> Registers(const DecodedVgm& vgm)
{
    std::vector<std::pair<unsigned, unsigned>> out;
    for (const std::vector<TickState>& channel : vgm.ticks)
        for (const TickState& state : channel)
            out.emplace_back(state.setting, state.attenuation);
    return out;
}

std::vector<std::uint8_t> Vgm(const std::string& agi, const VgmOptions& options)
{
    const auto build =
        BuildVgm(reinterpret_cast<const std::uint8_t*>(agi.data()), agi.size(), options);
    EXPECT_TRUE(build.Ok()) << build.Error();
    return build.Ok() ? build.Value() : std::vector<std::uint8_t>();
}
} // namespace

TEST(VgmExport, HeaderTagAndLoopForEachChip)
{
    const std::string agi = Resource({Tone(0, 200, 254, 0), "", "", Noise(100, 0, false, 3)});
    // Chip, the header's noise feedback, shift width and flags, the tag's system.
    const std::tuple<SynthKind, std::uint32_t, const char*> cases[] = {
        {SynthKind::PCjr, 0x050F0003, "IBM PCjr"},
        {SynthKind::Tandy, 0x17100022, "Tandy 1000"},
        {SynthKind::Speaker, 0x050F0003, "IBM PCjr"}};
    for (const auto& [chip, feedbackWidthFlags, system] : cases)
        for (const bool bLoop : {false, true})
        {
            const std::vector<std::uint8_t> b = Vgm(agi, {.chip = chip,
                                                          .bLoop = bLoop,
                                                          .title = "Zw\xc3\xb6lf \xf0\x9f\x8e\xb5",
                                                          .game = "Quest"});
            ASSERT_GT(b.size(), 0x40u);
            EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "Vgm ");
            std::vector<std::uint32_t> header;
            for (const std::size_t at : {0x04, 0x08, 0x0C, 0x18, 0x1C, 0x20, 0x28, 0x34})
                header.push_back(LE32(b, at));
            EXPECT_EQ(header, (std::vector<std::uint32_t>{
                                  static_cast<std::uint32_t>(b.size() - 4), 0x151, 3579545,
                                  200 * kTick, bLoop ? 0x40u - 0x1C : 0, bLoop ? 200 * kTick : 0,
                                  feedbackWidthFlags, 0x0C}));
            EXPECT_EQ(Decode(b).tag,
                      (std::vector<std::string>{"Zw\xc3\xb6lf \xf0\x9f\x8e\xb5", "", "Quest", "",
                                                system, "", "", "", "", "Tarvok", ""}));
        }
    // Nothing to loop in a sound without time.
    EXPECT_EQ(LE32(Vgm(Resource({"", "", "", ""}), {.bLoop = true}), 0x1C), 0u);
}

TEST(VgmExport, WaitsAndTheNoiseLatch)
{
    // One tick is 0x62; a long wait is split into 0x61 runs; noise gets its latch alone.
    const std::vector<std::uint8_t> b = Vgm(
        Resource({Tone(0, 1, 254, 0) + Tone(0, 100, 254, 1), "", "", Noise(1, 2, true, 0)}), {});
    const std::vector<std::uint8_t> data(b.begin() + 0x40, b.begin() + 0x14 + LE32(b, 0x14));
    const std::vector<std::uint8_t> expected = {
        0x50, 0x90, 0x50, 0x8E, 0x50, 0x0F, // voice 0: attenuation, then frequency
        0x50, 0xBF, 0x50, 0xDF,             // voices 1 and 2 have ended
        0x50, 0xF0, 0x50, 0xE6,             // noise: attenuation, control latch only
        0x62,                               // one tick
        0x50, 0x91, 0x50, 0x8E, 0x50, 0x0F, 0x50, 0xFF, 0x61,
        0xFF, 0xFF, 0x61, 0x1D, 0x1F, // 100 ticks: 65535 + 7965 samples
        0x50, 0x9F, 0x50, 0xBF, 0x50, 0xDF, 0x50, 0xFF, 0x66};
    EXPECT_EQ(data, expected);
}

TEST(VgmExport, TooLongIsRefused)
{
    // Longer than the 32-bit sample count: 1 MB of the longest records.
    const std::string huge =
        Bytes({8, 0, 8, 0, 8, 0, 8, 0}) + Repeat(Tone(0, 0xFFFE, 254, 0), 90000);
    EXPECT_FALSE(
        BuildVgm(reinterpret_cast<const std::uint8_t*>(huge.data()), huge.size(), {}).Ok());
}

TEST(VgmExport, DecodedWritesAreTheEnginesStateOnEveryTickAndImportBackToIt)
{
    std::vector<std::string> resources = {
        // A voice ending early, a volume-only record, records of no time, noise at voice 2's
        // pitch, silence between notes and a silent record the longest of all.
        Resource({Tone(0, 3, 427, 2) + Record(5, 0, 0, 0x94) + Tone(0, 0, 100, 0) +
                      Tone(0, 90, 254, 1) + Tone(0, 4, 254, 15) + Tone(0, 9, 3, 0),
                  Tone(1, 20, 0, 0), Tone(2, 12, 600, 15) + Tone(2, 30, 700, 15),
                  Noise(30, 3, true, 0) + Noise(6, 3, true, 0) + Noise(8, 1, false, 15) +
                      Noise(8, 1, false, 2)}),
        // The same voice 0, noise on a silent voice 2 that outlasts everything.
        Resource(
            {Tone(0, 3, 427, 2) + Record(5, 0, 0, 0x94) + Tone(0, 0, 100, 0) + Tone(0, 90, 254, 1),
             Tone(1, 20, 0, 0), Tone(2, 200, 1023, 15), Noise(30, 3, true, 0)}),
        Resource({Tone(0, 10, 300, 0), "", "", Noise(300, 0, false, 15)}),
        Resource({"", "", "", ""}),
    };
    for (std::uint32_t seed = 1; seed <= 6; ++seed)
        resources.push_back(RandomResource(seed, 20, 200));
    std::deque<NewDoc> docs(resources.size());
    for (std::size_t i = 0; i < resources.size(); ++i)
        ASSERT_TRUE(ImportBytes(docs[i].doc, resources[i]));

    // Each fade and the engine's level table for it.
    const std::pair<FadeKind, std::vector<int>> fades[] = {
        {FadeKind::None, {}}, {FadeKind::V2, kTable29}, {FadeKind::V3, kTable3}};
    for (std::size_t i = 0; i < docs.size(); ++i)
        for (const auto& [fade, table] : fades)
            for (const SynthKind chip : {SynthKind::PCjr, SynthKind::Tandy})
            {
                SCOPED_TRACE("document " + std::to_string(i) + ", " + SynthKindName(chip) +
                             ", fade " + FadeKindName(fade));
                const DecodedVgm raw = Decode(Vgm(resources[i], {.chip = chip, .fade = fade}));
                EXPECT_EQ(raw.problems, "");
                EXPECT_TRUE(raw.bEndsSilent);
                EXPECT_EQ(TimelineOfTicks(raw.ticks), EngineTimeline(resources[i], table));

                const auto out = BuildDocumentVgm(docs[i].doc, docs[i].doc.GetPlayRange(),
                                                  {.chip = chip, .fade = fade});
                ASSERT_TRUE(out.Ok()) << out.Error();
                CSoundDoc back;
                const Result<VgmImportNotes> in = ImportVgm(out.Value(), back);
                ASSERT_TRUE(in.Ok()) << in.Error();
                EXPECT_TRUE(in.Value().warnings.empty());
                // The fade is in the file, so the import plays it without one.
                EXPECT_EQ(EngineTimeline(BuiltResource(back)),
                          EngineTimeline(BuiltResource(docs[i].doc), table));
                // The chip holds the same registers on every tick, silent divisors included,
                // and the noise restarts when it did.
                const DecodedVgm before = Decode(out.Value());
                const DecodedVgm after = Decode(
                    BuildDocumentVgm(back, back.GetPlayRange(), {.chip = chip, .fade = FadeKind::None})
                        .Value());
                EXPECT_EQ(Registers(after), Registers(before));
                EXPECT_EQ(after.noiseStarts, before.noiseStarts);
            }
}
