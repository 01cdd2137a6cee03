#include "playback/OfflineRenderer.h"
#include "playback/ToneSynth.h"
#include "sound/SoundDoc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
constexpr double kTwoPi = 6.283185307179586;

// A document with no patterns at all, a tempo and a play range.
void ResetDoc(CSoundDoc& doc, int bpm, int tpb, int rangeStart, int rangeEnd)
{
    doc.DeleteContents();
    doc.m_nBeatsPerMinute = bpm;
    doc.m_nTracksPerBeat = tpb;
    doc.m_nRangeStart = rangeStart;
    doc.m_nRangeEnd = rangeEnd;
}

// Places a pattern of the given notes (attenuation per row, 255 keeps it) at a song position.
CSoundPattern* Place(CSoundDoc& doc, int channel, int pos, const std::vector<int>& notes,
                     const std::vector<int>& attens = {})
{
    CSoundPattern* pPattern = doc.CreatePattern(channel, static_cast<int>(notes.size()));
    for (std::size_t row = 0; row < notes.size(); ++row)
    {
        SoundCell cell = SoundCell::Empty();
        cell.note = static_cast<std::uint8_t>(notes[row]);
        cell.atten =
            static_cast<std::uint8_t>(row < attens.size() ? attens[row] : (row == 0 ? 0 : 255));
        pPattern->SetCell(static_cast<int>(row), cell);
    }
    doc.m_sequence[channel][pos] = pPattern;
    return pPattern;
}

std::vector<std::int16_t> Render(const CSoundDoc& doc)
{
    std::vector<std::int16_t> samples;
    EXPECT_TRUE(RenderPlayRange(doc, samples, 1u << 30));
    return samples;
}

std::vector<std::int16_t> Row(const std::vector<std::int16_t>& samples, int row, int n)
{
    return {samples.begin() + row * n, samples.begin() + (row + 1) * n};
}

int Peak(const std::vector<std::int16_t>& samples)
{
    int peak = 0;
    for (std::int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

double Sine(double freq, int i)
{
    return std::sin(i * kTwoPi * freq / 44100) * 10000;
}

double Ramp(int j)
{
    return std::log10(1 + j * 0.03125);
}
} // namespace

TEST(ToneSynth, RowLengthAndBufferRowsFollowTheTempo)
{
    EXPECT_EQ(CToneSynth::RowBytes(120, 4), 11026u);
    EXPECT_EQ(CToneSynth::RowBytes(100, 4), 13230u);
    EXPECT_EQ(CToneSynth::RowBytes(150, 4), 8820u);
    EXPECT_EQ(CToneSynth::RowBytes(120, 8), 5512u);
    EXPECT_EQ(CToneSynth::RowBytes(60, 1), 88200u);
    EXPECT_EQ(CToneSynth::RowBytes(0, 4), 0u);
    EXPECT_EQ(CToneSynth::RowBytes(-3, 4), 0u);

    EXPECT_EQ(CToneSynth::BlocksForRowBytes(11026), 10u);
    EXPECT_EQ(CToneSynth::BlocksForRowBytes(88200), 4u);
    EXPECT_EQ(CToneSynth::BlocksForRowBytes(88202), 4u);
    EXPECT_EQ(CToneSynth::BlocksForRowBytes(5292000), 4u);

    CSoundDoc doc;
    ResetDoc(doc, 100, 4, 0, 2);
    EXPECT_EQ(Render(doc).size(), 3u * 6615);
    ResetDoc(doc, 120, 4, 0, 0);
    EXPECT_EQ(Render(doc).size(), 5513u);
}

TEST(ToneSynth, NoteTableAndAmplitudes)
{
    CToneSynth synth;
    EXPECT_DOUBLE_EQ(synth.m_freq[69], 440.0);
    EXPECT_DOUBLE_EQ(synth.m_freq[9], 13.75);
    EXPECT_NEAR(synth.m_freq[60], 261.63, 0.005);
    EXPECT_NEAR(synth.m_freq[0], 8.1758, 0.00005);
    EXPECT_NEAR(synth.m_freq[119], 7902.13, 0.005);

    const int expected[16] = {10000, 9950, 9800, 9550, 9200, 8750, 8200, 7549,
                              6799,  5950, 5000, 3949, 2799, 1549, 199,  0};
    for (int t = 0; t < 16; ++t)
        EXPECT_EQ(static_cast<int>(CToneSynth::Amplitude(t) * 10000), expected[t]) << t;
}

TEST(ToneSynth, NoteFadesInContinuesAndFadesOutBeforeARest)
{
    CSoundDoc doc;
    ResetDoc(doc, 120, 4, 0, 4);
    Place(doc, 0, 0, {60, 255, 255, NOTE_OFF, 255});
    const auto samples = Render(doc);
    const int n = 5513;
    ASSERT_EQ(samples.size(), 5u * n);
    const double f = 261.6255653005986;

    // One unbroken sine from the first sample of row 0 to the last of row 2.
    for (int i = 0; i < 3 * n; ++i)
    {
        double expected = std::trunc(Sine(f, i));
        if (i < 288)
            expected = std::trunc(expected * Ramp(i));
        else if (i > 3 * n - 1 - 288)
            expected = std::trunc(expected * Ramp(3 * n - 1 - i));
        ASSERT_NEAR(samples[i], expected, 1.0) << "sample " << i;
    }
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[3 * n - 1], 0);
    // Full strength right across both row boundaries.
    EXPECT_GT(std::abs(samples[n - 1] - samples[n]), 0);
    EXPECT_NEAR(samples[n], std::trunc(Sine(f, n)), 1.0);
    // The rest and the continue row after it are silent.
    for (int i = 3 * n; i < 5 * n; ++i)
        ASSERT_EQ(samples[i], 0) << i;
}

TEST(ToneSynth, RepeatedNoteRestartsWithFadeOutAndFadeIn)
{
    CSoundDoc doc;
    ResetDoc(doc, 120, 4, 0, 1);
    Place(doc, 0, 0, {69, 69});
    const auto samples = Render(doc);
    const int n = 5513;
    const auto row0 = Row(samples, 0, n);
    const auto row1 = Row(samples, 1, n);
    EXPECT_EQ(row0[n - 1], 0);
    EXPECT_EQ(row1[0], 0);
    // The phase restarts: the second row starts like the first.
    for (int i = 0; i < n - 288; ++i)
        ASSERT_EQ(row1[i], row0[i]) << i;
    EXPECT_NEAR(row1[300], std::trunc(Sine(440.0, 300)), 1.0);
}

TEST(ToneSynth, ContinueWithoutANoteAndSilentAttenuations)
{
    CSoundDoc doc;
    // A first row that continues continues the silence before it.
    ResetDoc(doc, 120, 4, 0, 3);
    Place(doc, 0, 0, {255, 255, 255, 255}, {0, 0, 0, 0});
    EXPECT_EQ(Peak(Render(doc)), 0);

    // Attenuation 15 is silent; the continue rows after it stay silent at a lower one.
    ResetDoc(doc, 120, 4, 0, 3);
    Place(doc, 0, 0, {69, 255, 255, NOTE_OFF}, {15, 0, 0, 255});
    EXPECT_EQ(Peak(Render(doc)), 0);

    // Attenuation 14 peaks at 199.
    ResetDoc(doc, 120, 4, 0, 1);
    Place(doc, 0, 0, {69, NOTE_OFF}, {14, 255});
    EXPECT_EQ(Peak(Render(doc)), 199);

    // An attenuation written on a continue row is heard one row later.
    ResetDoc(doc, 120, 4, 0, 3);
    Place(doc, 0, 0, {69, 255, 255, NOTE_OFF}, {0, 10, 255, 255});
    const auto samples = Render(doc);
    EXPECT_GE(Peak(Row(samples, 1, 5513)), 9990);
    EXPECT_LE(Peak(Row(samples, 2, 5513)), 5000);
    EXPECT_GE(Peak(Row(samples, 2, 5513)), 4990);
}

TEST(ToneSynth, NotesWithoutAPitchAreSilent)
{
    CSoundDoc doc;
    for (int note : {118, 119, 120, 200, 254})
    {
        ResetDoc(doc, 120, 4, 0, 2);
        Place(doc, 0, 0, {note, 255, NOTE_OFF});
        EXPECT_EQ(Peak(Render(doc)), 0) << note;
    }
}

TEST(ToneSynth, ThreeVoicesStayWithinRangeAndNoiseIsNeverHeard)
{
    CSoundDoc doc;
    ResetDoc(doc, 120, 4, 0, 3);
    for (int c = 0; c < 3; ++c)
        Place(doc, c, 0, {69, 255, 255, NOTE_OFF});
    const auto voices = Render(doc);
    EXPECT_LE(Peak(voices), 30000);
    EXPECT_GE(Peak(voices), 29900);

    Place(doc, 3, 0, {40, 50, 60, 70}, {0, 0, 0, 0});
    Place(doc, 3, 2, {80, 255});
    EXPECT_EQ(Render(doc), voices);
}

TEST(ToneSynth, PatternsSoundOnlyFromWhereTheyArePlaced)
{
    CSoundDoc doc;
    ResetDoc(doc, 120, 4, 2, 7);
    Place(doc, 0, 0, {60, 255, 255, 255, 255, 255, 255, 255});
    Place(doc, 1, 0, {64, 255, 255, 255});
    Place(doc, 1, 5, {67, 255});
    const auto samples = Render(doc);
    const int n = 5513;
    ASSERT_EQ(samples.size(), 6u * n);
    // Starting inside the placed patterns: silent until channel 1's next placement at 5.
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Peak(Row(samples, row, n)), 0) << row;
    EXPECT_GE(Peak(Row(samples, 3, n)), 9900);
    // That pattern has two rows; position 7 is past its end.
    EXPECT_EQ(Peak(Row(samples, 5, n)), 0);

    // A pattern placed while another plays cuts it off.
    ResetDoc(doc, 120, 4, 0, 3);
    Place(doc, 0, 0, {60, 255, 255, 255});
    Place(doc, 0, 2, {NOTE_OFF});
    const auto cut = Render(doc);
    EXPECT_EQ(cut[2 * n - 1], 0);
    EXPECT_EQ(Peak(Row(cut, 2, n)), 0);
    EXPECT_EQ(Peak(Row(cut, 3, n)), 0);
}

TEST(ToneSynth, LastRowOfAPassLooksAheadToTheRangeStart)
{
    CSoundDoc doc;
    ResetDoc(doc, 120, 4, 0, 1);
    // The wrapped row 0 continues: the last row does not fade out.
    Place(doc, 1, 0, {255, 69}, {0, 0});
    const auto open = Render(doc);
    EXPECT_NEAR(open.back(), std::trunc(Sine(440.0, 5512)), 1.0);
    EXPECT_NE(open.back(), 0);

    // With a note at the range start it does.
    ResetDoc(doc, 120, 4, 0, 1);
    Place(doc, 1, 0, {60, 69}, {0, 0});
    EXPECT_EQ(Render(doc).back(), 0);
}

TEST(ToneSynth, RowsShorterThanARampKeepBothRampsInside)
{
    CSoundDoc doc;
    // 120 x 128: 172 samples; 256 x 256: 40 samples.
    for (auto [bpm, tpb, n] : {std::tuple{120, 128, 172}, std::tuple{256, 256, 40}})
    {
        ResetDoc(doc, bpm, tpb, 0, 2);
        Place(doc, 0, 0, {100, 100, 100});
        const auto samples = Render(doc);
        ASSERT_EQ(samples.size(), 3u * n);
        for (int row = 0; row < 3; ++row)
        {
            const auto r = Row(samples, row, n);
            EXPECT_EQ(r.front(), 0);
            EXPECT_EQ(r.back(), 0);
            EXPECT_GT(Peak(r), 5000) << bpm << "x" << tpb;
        }
    }
}

TEST(ToneSynth, TemposBelowOneRowPerSecondStillSeeTheNextRow)
{
    CSoundDoc doc;
    // 30 x 1: 88200 samples a row.
    ResetDoc(doc, 30, 1, 0, 2);
    Place(doc, 0, 0, {69, 255, NOTE_OFF});
    const auto samples = Render(doc);
    const int n = 88200;
    ASSERT_EQ(samples.size(), 3u * n);
    EXPECT_EQ(samples[0], 0);
    // Row 0 continues into row 1 without a fade; row 1 fades out before the rest.
    EXPECT_NEAR(samples[n - 1], std::trunc(Sine(440.0, n - 1)), 1.0);
    EXPECT_NEAR(samples[n], std::trunc(Sine(440.0, n)), 1.0);
    EXPECT_EQ(samples[2 * n - 1], 0);
    EXPECT_EQ(Peak(Row(samples, 2, n)), 0);
}

TEST(ToneSynth, PreviewIsARampedQuarterSecondTone)
{
    CToneSynth synth;
    std::vector<std::int16_t> preview(11025, 1);
    ASSERT_TRUE(synth.RenderPreview(69, preview.data()));
    for (int i = 0; i < 1000; ++i)
    {
        ASSERT_EQ(preview[i], 0) << i;
        ASSERT_EQ(preview[10025 + i], 0) << i;
    }
    const std::vector<std::int16_t> tone(preview.begin() + 1000, preview.begin() + 10025);
    EXPECT_EQ(tone.front(), 0);
    EXPECT_EQ(tone.back(), 0);
    EXPECT_GE(Peak(tone), 9990);
    EXPECT_LE(Peak(tone), 10000);
    for (int i = 0; i < 9025; ++i)
    {
        double expected = std::trunc(Sine(440.0, i));
        if (i < 288)
            expected = std::trunc(expected * Ramp(i));
        else if (i > 9024 - 288)
            expected = std::trunc(expected * Ramp(9024 - i));
        ASSERT_NEAR(tone[i], expected, 1.0) << i;
    }

    EXPECT_FALSE(synth.RenderPreview(120, preview.data()));
    EXPECT_FALSE(synth.RenderPreview(-1, preview.data()));
}

TEST(WavOutput, ConverterWritesHeaderAndTheOfflineRender)
{
    const std::string source = SampleSoundPath("countryoforigin-sound004.agi");
    const std::string wav = MakeTempDir() + "/out.wav";
    const std::string command = std::string(TARVOK_CONVERT_EXE) + " '" + source + "' '" + wav + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string bytes = ReadFileBytes(wav);

    CSoundDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    ASSERT_TRUE(doc.ImportAGIFile(source));
    const auto samples = Render(doc);
    ASSERT_FALSE(samples.empty());
    EXPECT_GT(Peak(samples), 1000);

    const std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 2);
    std::string header = "RIFF";
    for (std::uint32_t v : {36 + data})
        header += std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF),
                              char(v >> 24)};
    header +=
        std::string("WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0data", 32);
    header += std::string{char(data & 0xFF), char((data >> 8) & 0xFF), char((data >> 16) & 0xFF),
                          char(data >> 24)};
    ASSERT_EQ(bytes.size(), 44u + data);
    EXPECT_EQ(Hex(bytes.substr(0, 44)), Hex(header));
    EXPECT_EQ(bytes.substr(44), std::string(reinterpret_cast<const char*>(samples.data()), data));
}
