// SPDX-License-Identifier: GPL-3.0-or-later
// Export and import against each other: what survives a trip through the resource format.
#include "AgiTestBytes.h"
#include "support/EngineTimeline.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>

namespace
{
std::string Export(CSoundDoc& doc)
{
    return BuiltResource(doc);
}

void Import(CSoundDoc& doc, const std::string& bytes)
{
    ASSERT_TRUE(ImportBytes(doc, bytes)) << Hex(bytes.substr(0, 64));
}

std::string ExportOfImport(const std::string& bytes)
{
    CSoundDoc doc;
    Import(doc, bytes);
    return Hex(Export(doc));
}

// Random patterns, placements, tempo and range.
void MakeRandomDocument(CSoundDoc& doc, std::uint32_t seed)
{
    std::mt19937 gen(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    const int tempos[][2] = {{4, 125}, {24, 140}, {4, 120}, {8, 100},
                             {2, 60},  {6, 90},   {3, 200}, {12, 140}};
    const auto& tempo = tempos[pick(0, 7)];
    doc.AssignProperties({tempo[1], doc.GetStepSize(), tempo[0]});
    doc.AssignPlayRange({pick(0, 20), doc.GetPlayRange().end});
    doc.AssignPlayRange({doc.GetPlayRange().start, doc.GetPlayRange().start + pick(0, 300)});
    for (int c = 0; c < kChannelCount; ++c)
        for (int i = pick(0, 4); i > 0; --i)
        {
            CSoundPattern* p = doc.CreatePattern(c, pick(1, 48));
            for (std::int32_t r = 0; r < p->GetRows(); ++r)
            {
                const int atten = pick(0, 4) == 0 ? ATTEN_EMPTY : pick(0, 15);
                const int freqs[] = {0, 1, 2, 3, FREQ_OFF, FREQ_EMPTY, 7, 100};
                const int notes[] = {pick(44, 116), pick(44, 116),  pick(0, 43), NOTE_OFF,
                                     NOTE_EMPTY,    pick(119, 254), kMaxNote};
                if (pick(0, 2) > 0)
                    p->SetCell(r, c == kNoiseChannel
                                      ? NoiseCell(freqs[pick(0, 7)], pick(0, 1), atten)
                                      : ToneCell(notes[pick(0, 6)], atten));
            }
            for (int k = pick(1, 3); k > 0; --k)
                doc.PlacePattern(c, pick(0, doc.GetPlayRange().end), p);
        }
}
} // namespace

TEST(AgiRoundTrip, RandomDocuments)
{
    for (std::uint32_t seed = 1; seed <= 400; ++seed)
    {
        CSoundDoc doc, imported;
        MakeRandomDocument(doc, seed);
        const std::string exported = Export(doc);
        Import(imported, exported);
        ASSERT_EQ(Hex(Export(imported)), Hex(exported)) << "seed " << seed;
    }
}

TEST(AgiRoundTrip, TheEnginePlaysTheImportAsTheOriginal)
{
    std::vector<std::pair<std::string, std::string>> resources;
    for (const auto& entry : std::filesystem::directory_iterator(TARVOK_SOUNDS_DIR))
        if (entry.path().extension() == ".agi")
            resources.emplace_back(entry.path().filename(), ReadFileBytes(entry.path()));
    ASSERT_EQ(resources.size(), 3u);
    // Every eighth one long: up to 12 records of up to 65534 ticks a channel.
    for (std::uint32_t seed = 1; seed <= 200; ++seed)
    {
        const bool bLong = seed % 8 == 0;
        resources.emplace_back("seed " + std::to_string(seed),
                               RandomResource(seed, bLong ? 12 : 60, bLong ? 65534 : 40));
    }
    // The longest channel's ticks.
    const std::map<std::string, std::int32_t> rangeEnds = {{"buddhies-sound000.agi", 11707},
                                                           {"buddhies-sound001.agi", 5127},
                                                           {"countryoforigin-sound000.agi", 25150}};
    int nSameBytes = 0;
    for (const auto& [name, bytes] : resources)
    {
        CSoundDoc doc, reloaded;
        Import(doc, bytes);
        if (rangeEnds.count(name))
        {
            EXPECT_EQ(doc.GetPlayRange().end, rangeEnds.at(name));
        }
        const std::string exported = Export(doc);
        EXPECT_EQ(EngineTimeline(exported), EngineTimeline(bytes)) << name;
        ASSERT_TRUE(reloaded.LoadFromBytes(doc.SaveToBytes()));
        EXPECT_EQ(Hex(Export(reloaded)), Hex(exported)) << name;
        nSameBytes += exported == bytes ? 1 : 0;
    }
    std::printf("%d of %zu resources come back byte for byte\n", nSameBytes, resources.size());
}

TEST(AgiRoundTrip, WhatComesBackChanged)
{
    // Expected export, or "" for the same bytes.
    const std::pair<std::string, std::string> cases[] = {
        // Divisor 15 sounds as note 117; songs keep their length in ticks, even when a
        // note ends on a pattern's last row; a game's rests of divisor 0; divisors between
        // semitones, and 0 sounding.
        {Resource({Tone(0, 32, 15, 0)}), ""},
        {Resource({Tone(0, 20, 427, 0)}), ""},
        {Resource({Tone(0, 31, 427, 0)}), ""},
        {Resource({Tone(0, 3, 288, 2) + Tone(0, 1, 0, 15) + Tone(0, 2, 0, 4)}), ""},
        // Played alike: a record without time goes; one with a control byte of 0 names the
        // setting that goes on; a shorter channel rests until the song's end.
        {Resource({Tone(0, 0, 300, 0) + Record(5, 0, 0, 0x93), "", "",
                   Noise(2, 1, true, 3) + Record(3, 0, 0, 0xF5)}),
         Resource({Tone(0, 5, 300, 3), "", "", Noise(2, 1, true, 3) + Noise(3, 1, true, 5)})},
        {Resource({Tone(0, 4, 427, 0), Tone(1, 2, 254, 0)}),
         Resource({Tone(0, 4, 427, 0), Tone(1, 2, 254, 0) + Tone(1, 2, 15, 15)})},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(ExportOfImport(bytes), Hex(expected.empty() ? bytes : expected));
}
