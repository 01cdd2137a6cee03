// Export and import against each other: what survives a trip through the resource format.
#include "AgiTestBytes.h"
#include "sound/AgiTone.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <random>

namespace
{
std::string Export(CSoundDoc& doc)
{
    EXPECT_TRUE(doc.BuildAGIResource());
    return RawData(doc);
}

void Import(CSoundDoc& doc, const std::string& bytes)
{
    SetRawData(doc, bytes);
    ASSERT_TRUE(doc.ParseAGIResource()) << Hex(bytes.substr(0, 64));
}

// Export of the import of a resource.
std::string ExportOfImport(const std::string& bytes)
{
    CSoundDoc doc;
    Import(doc, bytes);
    return Export(doc);
}

struct RandomDocOptions
{
    bool bWholeBars = false; // a song length that is a multiple of 32 ticks
    bool bNote117 = true;    // the highest note, whose divisor is 15
};

// A document with random patterns, placements, tempo and range.
void MakeRandomDocument(CSoundDoc& doc, std::uint32_t seed, const RandomDocOptions& options)
{
    std::mt19937 gen(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    const int tempos[][2] = {{4, 125}, {24, 140}, {4, 120}, {8, 100}, {2, 60}, {6, 90}, {3, 200}, {12, 140}};
    const auto& tempo = tempos[pick(0, 7)];
    doc.DeleteContents();
    doc.m_nTracksPerBeat = tempo[0];
    doc.m_nBeatsPerMinute = tempo[1];
    const std::int64_t ticksPerRow = AgiTicksPerRow(tempo[0], tempo[1]);
    doc.m_nRangeStart = pick(0, 20);
    std::int32_t length = pick(0, 300);
    if (options.bWholeBars)
    {
        const std::int32_t unit = 32 / std::gcd(static_cast<std::int32_t>(ticksPerRow), 32);
        length = unit * pick(1, 300 / unit);
    }
    doc.m_nRangeEnd = doc.m_nRangeStart + length;

    for (int c = 0; c < kChannelCount; ++c)
    {
        const int nPatterns = pick(0, 4);
        for (int i = 0; i < nPatterns; ++i)
        {
            CSoundPattern* p = doc.CreatePattern(c, pick(1, 48));
            for (std::int32_t r = 0; r < p->GetRows(); ++r)
            {
                if (pick(0, 2) == 0)
                    continue;
                SoundCell cell = SoundCell::Empty();
                const int atten = pick(0, 4) == 0 ? ATTEN_EMPTY : pick(0, 15);
                if (c == kNoiseChannel)
                {
                    const int freqs[] = {0, 1, 2, 3, FREQ_OFF, FREQ_EMPTY, 7, 100};
                    cell = NoiseCell(freqs[pick(0, 7)], pick(0, 1), atten);
                }
                else
                {
                    int note = pick(0, 9) == 0 ? pick(0, 43) : pick(44, 116);
                    switch (pick(0, 9))
                    {
                    case 0:
                        note = NOTE_OFF;
                        break;
                    case 1:
                        note = NOTE_EMPTY;
                        break;
                    case 2:
                        note = options.bNote117 ? kMaxNote : note;
                        break;
                    case 3:
                        note = pick(119, 254);
                        break;
                    }
                    cell = ToneCell(note, atten);
                }
                p->SetCell(r, cell);
            }
            const int nPlacements = pick(1, 3);
            for (int k = 0; k < nPlacements; ++k)
                doc.m_sequence[c][pick(0, doc.m_nRangeEnd)] = p;
        }
    }
}

// Every non-empty row a channel plays, by song position. The resource cannot say "noise
// off": it comes back as a silent periodic setting, which is what it sounds like.
std::vector<std::pair<std::int32_t, SoundCell>> Played(const CSoundDoc& doc, int channel)
{
    std::vector<std::pair<std::int32_t, SoundCell>> rows;
    for (const auto& [pos, pPattern] : doc.m_sequence[channel])
        for (std::int32_t r = 0; r < pPattern->GetRows(); ++r)
        {
            SoundCell cell = pPattern->GetCell(r);
            if (channel == kNoiseChannel && cell.freq == FREQ_OFF)
                cell = NoiseCell(0, cell.noiseType, 15);
            if (!(cell == SoundCell::Empty()))
                rows.emplace_back(pos + r, cell);
        }
    return rows;
}

void ExpectSameSong(const CSoundDoc& a, const CSoundDoc& b, const std::string& what)
{
    EXPECT_EQ(a.m_nRangeStart, b.m_nRangeStart) << what;
    EXPECT_EQ(a.m_nRangeEnd, b.m_nRangeEnd) << what;
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_TRUE(Played(a, c) == Played(b, c)) << what << ", channel " << c;
}
} // namespace

TEST(AgiRoundTrip, ExportOfAnImportIsStableAfterOneRound)
{
    for (std::uint32_t seed = 1; seed <= 300; ++seed)
    {
        CSoundDoc doc;
        MakeRandomDocument(doc, seed, {});
        const std::string once = ExportOfImport(Export(doc));
        ASSERT_EQ(Hex(ExportOfImport(once)), Hex(once)) << "seed " << seed;
    }
}

TEST(AgiRoundTrip, WholeBarSongsComeBackByteForByte)
{
    for (std::uint32_t seed = 1; seed <= 300; ++seed)
    {
        CSoundDoc doc;
        MakeRandomDocument(doc, seed, {.bWholeBars = true, .bNote117 = false});
        const std::string exported = Export(doc);
        ASSERT_EQ(Hex(ExportOfImport(exported)), Hex(exported)) << "seed " << seed;
    }
}

TEST(AgiRoundTrip, ImportingTheExportOfAnImportGivesTheSameSong)
{
    for (std::uint32_t seed = 1; seed <= 300; ++seed)
    {
        CSoundDoc doc;
        MakeRandomDocument(doc, seed, {});
        const std::string exported = Export(doc);
        CSoundDoc first;
        Import(first, exported);
        CSoundDoc second;
        Import(second, Export(first));
        ExpectSameSong(first, second, "seed " + std::to_string(seed));
    }
}

TEST(AgiRoundTrip, SampleSounds)
{
    int nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TARVOK_SOUNDS_DIR))
    {
        if (entry.path().extension() != ".agi")
            continue;
        const std::string name = entry.path().filename().string();
        CSoundDoc first;
        Import(first, ReadFileBytes(entry.path().string()));
        const std::string exported = Export(first);
        CSoundDoc second;
        Import(second, exported);
        ExpectSameSong(first, second, name);
        EXPECT_EQ(Hex(Export(second)), Hex(exported)) << name;
        ++nFiles;
    }
    EXPECT_GE(nFiles, 20);
}

// The classes of input that a round trip changes.
TEST(AgiRoundTrip, WhatComesBackChanged)
{
    auto voice0 = [](const std::string& records)
    { return Resource({records + kChannelEnd, kChannelEnd, kChannelEnd, kChannelEnd}); };

    // Note 117's divisor is 15, which is no pitch: it comes back as silence.
    CSoundDoc doc;
    doc.OnNewDocument();
    doc.m_nTracksPerBeat = 24;
    doc.m_nBeatsPerMinute = 140;
    doc.m_nRangeEnd = 32;
    doc.m_patterns[0][0]->SetCell(0, ToneCell(kMaxNote, 0));
    EXPECT_EQ(Hex(Export(doc)), Hex(voice0(ToneRecord(0, 16, 15, 0) + ToneRecord(0, 16, 15, 15))));
    EXPECT_EQ(Hex(ExportOfImport(Export(doc))), Hex(voice0(ToneRecord(0, 16, 15, 15) + ToneRecord(0, 16, 15, 15))));

    // The import rounds a song up to whole patterns of 32 ticks: the rest is silence.
    EXPECT_EQ(Hex(ExportOfImport(voice0(ToneRecord(0, 20, 427, 0)))),
              Hex(voice0(ToneRecord(0, 20, 427, 0) + ToneRecord(0, 12, 15, 15))));

    // A note ending on a pattern's last row is not closed there and sounds one tick longer.
    EXPECT_EQ(Hex(ExportOfImport(voice0(ToneRecord(0, 31, 427, 0)))), Hex(voice0(ToneRecord(0, 32, 427, 0))));

    // Notes below the generator's range come back as its lowest note, 44; the bytes stay.
    doc.m_patterns[0][0]->SetCell(0, ToneCell(20, 0));
    const std::string low = Export(doc);
    EXPECT_EQ(Hex(low), Hex(voice0(ToneRecord(0, 16, 1023, 0) + ToneRecord(0, 16, 15, 15))));
    CSoundDoc imported;
    Import(imported, low);
    EXPECT_EQ(imported.m_patterns[0][0]->GetCell(0), ToneCell(44, 0));
    EXPECT_EQ(Hex(Export(imported)), Hex(low));
}
