// SPDX-License-Identifier: GPL-3.0-or-later
// The sequence text line, the ready-made instruments and a note of an instrument as the
// preview plays it.
#include "playback/InstrumentPreview.h"
#include "playback/SoundRenderer.h"
#include "sound/ReadyInstruments.h"
#include "sound/SequenceNotation.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using Samples = std::vector<std::int16_t>;
constexpr std::size_t kTick = InstrumentPreview::kSamplesPerTick;

const CInstrument& Ready(const std::string& name)
{
    for (const CInstrument& instrument : ReadyInstruments())
        if (instrument.GetName() == name)
            return instrument;
    throw std::runtime_error("no ready-made " + name);
}

Samples Preview(const CInstrument& instrument, int note, SynthKind kind = SynthKind::PCjr)
{
    Samples out(InstrumentPreview::kMaxSamples);
    const unsigned n = MakeSoundRenderer(kind)->RenderPreview(
        note, instrument, IsNoiseInstrument(instrument), out.data());
    out.resize(n);
    return out;
}

double Rms(const Samples& s, std::size_t from, std::size_t n)
{
    double sum = 0;
    for (std::size_t i = from; i < from + n && i < s.size(); ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(n));
}

double NoteHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

double PeakAt(const Samples& s, std::size_t from, std::size_t n)
{
    return CSpectrum(s.data() + from, n).PeakHz(50, 8000);
}
} // namespace

TEST(SequenceNotation, ReadsWhatItWritesAndRefusesWhatIsNotASequence)
{
    struct Row
    {
        SequenceKind kind;
        const char* text;
        InstrumentSequence sequence; // for text that reads
        const char* refusal;         // a word of the message, for text that does not
    };
    const auto V = SequenceKind::Volume;
    const Row rows[] = {
        {V, "0 1 2 | 3 4 / 5 6", {{0, 1, 2, 3, 4, 5, 6}, 3, 5}, nullptr},
        {V, "| 0 / 15", {{0, 15}, 0, 1}, nullptr},
        {V, "", {}, nullptr},
        {SequenceKind::Arpeggio, "-12 0 +12 / 48", {{-12, 0, 12, 48}, kNoIndex, 3}, nullptr},
        {SequenceKind::Pitch, "  -1200\t1200|0 ", {{-1200, 1200, 0}, 2, kNoIndex}, nullptr},
        {V, "0 16", {}, "0 to 15"},
        {SequenceKind::Noise, "8", {}, "0 to 7"},
        {V, "0 x", {}, "\"x\" is not a number"},
        {V, "1.5", {}, "not a number"},
        {V, "0 | 1 | 2", {}, "only one"},
        {V, "0 / 1 | 2", {}, "before the release"},
        {V, "0 1 /", {}, "must follow"},
    };
    for (const Row& row : rows)
    {
        const Result<InstrumentSequence> read = ParseSequence(row.kind, row.text);
        if (row.refusal != nullptr)
        {
            ASSERT_FALSE(read.Ok()) << row.text;
            EXPECT_NE(read.Error().find(row.refusal), std::string::npos) << read.Error();
            continue;
        }
        ASSERT_TRUE(read.Ok()) << row.text << ": " << read.Error();
        EXPECT_EQ(read.Value(), row.sequence) << row.text;
        EXPECT_EQ(ParseSequence(row.kind, FormatSequence(row.sequence)).Value(), row.sequence);
    }
    EXPECT_EQ(FormatSequence({{0, 1, 2, 3, 4, 5, 6}, 3, 5}), "0 1 2 | 3 4 / 5 6");
    std::string tooLong;
    for (int i = 0; i <= kMaxSequenceLength; ++i)
        tooLong += "1 ";
    EXPECT_FALSE(ParseSequence(V, tooLong).Ok());
}

TEST(ReadyInstruments, EachIsValidNamedAndMeantForItsChannel)
{
    const char* names[] = {"Pluck", "Soft_Pad",  "Bass", "Vibrato_Lead", "Kick",
                           "Snare", "Hi_Hat", "Laser", "Explosion",    "Coin"};
    ASSERT_EQ(ReadyInstruments().size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i)
    {
        const CInstrument& instrument = ReadyInstruments()[i];
        EXPECT_EQ(instrument.GetName(), names[i]);
        EXPECT_EQ(instrument.Problem(), "") << names[i];
        const bool bNoise = std::string(names[i]) == "Snare" || std::string(names[i]) == "Hi_Hat" ||
                            std::string(names[i]) == "Explosion";
        EXPECT_EQ(IsNoiseInstrument(instrument), bNoise) << names[i];
        EXPECT_FALSE(Preview(instrument, 69).empty()) << names[i] << " sounds";
    }
}

TEST(ReadyInstruments, TonesSoundAtTheirPitchOnTheChipAndTheSine)
{
    struct Row
    {
        const char* name;
        int semitones; // where the note sounds, from the key played
        std::size_t fromTick;
    };
    const Row rows[] = {{"Pluck", 0, 0},        {"Soft_Pad", 0, 40}, {"Bass", -12, 0},
                        {"Vibrato_Lead", 0, 12}, {"Coin", 0, 0},     {"Coin", 5, 5}};
    for (const SynthKind kind : {SynthKind::PCjr, SynthKind::Sine})
        for (const Row& row : rows)
        {
            const Samples s = Preview(Ready(row.name), 81, kind);
            // Four ticks of the coin's first note, else the longer window vibrato needs.
            const std::size_t n = row.fromTick == 0 && row.semitones == 0 ? 2048 : 8192;
            ASSERT_GE(s.size(), row.fromTick * kTick + n) << row.name;
            const double expected = NoteHz(81 + row.semitones);
            EXPECT_NEAR(PeakAt(s, row.fromTick * kTick, n) / expected, 1.0, 0.012)
                << row.name << " on " << static_cast<int>(kind);
        }
}

TEST(ReadyInstruments, PluckDiesAwayPadSwellsAndFadesOnRelease)
{
    const Samples pluck = Preview(Ready("Pluck"), 69);
    EXPECT_LT(pluck.size(), static_cast<std::size_t>(InstrumentPreview::kHoldTicks) * kTick)
        << "it ends before it is let go";
    const double first = Rms(pluck, 0, 2 * kTick);
    EXPECT_LT(20 * std::log10(Rms(pluck, 20 * kTick, 2 * kTick) / first), -12);

    const Samples pad = Preview(Ready("Soft_Pad"), 69);
    EXPECT_LT(Rms(pad, 0, 2 * kTick), Rms(pad, 36 * kTick, 2 * kTick) / 4) << "slow attack";
    EXPECT_GT(pad.size(), (InstrumentPreview::kHoldTicks + 30) * kTick) << "sounds on when let go";
}

TEST(ReadyInstruments, DrumsFallOrRattle)
{
    for (const char* name : {"Kick", "Laser"})
    {
        const Samples s = Preview(Ready(name), 69);
        ASSERT_GE(s.size(), 5 * kTick + 1024) << name;
        EXPECT_GT(PeakAt(s, 0, 1024), 1.3 * PeakAt(s, 5 * kTick, 1024)) << name << " falls";
    }
    // White noise spreads over the band where a tone has one line.
    const Samples snare = Preview(Ready("Snare"), 69);
    const CSpectrum noise(snare.data(), 2048);
    const double loudest = noise.MaxDb(100, 10000);
    EXPECT_GT(noise.MaxDb(500, 1000), loudest - 15);
    EXPECT_GT(noise.MaxDb(3000, 5000), loudest - 15);
    EXPECT_EQ(Preview(Ready("Snare"), 69, SynthKind::Sine).size(), 0u) << "the sine has no noise";
}
