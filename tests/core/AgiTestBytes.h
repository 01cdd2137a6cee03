// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// AGI sound resources and documents for the converter tests.

#include "sound/AgiFile.h"
#include "sound/SoundDoc.h"

#include <array>
#include <gtest/gtest.h>
#include <initializer_list>
#include <random>
#include <string>

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

inline std::string Record(int ticks, int byte2, int byte3, int byte4)
{
    return Bytes({ticks & 0xFF, (ticks >> 8) & 0xFF, byte2, byte3, byte4});
}

inline std::string Tone(int channel, int ticks, int divisor, int atten)
{
    return Record(ticks, (divisor >> 4) & 0x3F, 0x80 + 32 * channel + (divisor & 0x0F),
                  0x90 + 32 * channel + atten);
}

inline std::string Noise(int ticks, int freq, bool bWhite, int atten)
{
    return Record(ticks, 0, 0xE0 + (bWhite ? 4 : 0) + freq, 0xF0 + atten);
}

inline std::string Le16(std::size_t v)
{
    return Bytes({static_cast<int>(v & 0xFF), static_cast<int>(v >> 8)});
}

// The offsets table, then each channel's records and its terminator.
inline std::string Resource(const std::array<std::string, 4>& records)
{
    std::string head, body;
    for (const auto& data : records)
    {
        head += Le16(8 + body.size());
        body += data + Bytes({0xFF, 0xFF});
    }
    return head + body;
}

// Random records on every voice: any divisor (the silent ones up to 15 too), attenuation and
// noise setting, records without time or with a control byte of 0, durations up to maxTicks.
inline std::string RandomResource(std::uint32_t seed, int nMaxRecords, int maxTicks)
{
    std::mt19937 gen(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
    std::array<std::string, 4> voices;
    for (int c = 0; c < kChannelCount; ++c)
        for (int i = pick(0, nMaxRecords); i > 0; --i)
        {
            const int ticks = pick(0, 7) == 0 ? pick(0, 2) : pick(1, maxTicks);
            if (pick(0, 15) == 0)
                voices[c] += Record(ticks, pick(0, 255), 0, pick(0, 255));
            else if (c == kNoiseChannel)
                voices[c] += Noise(ticks, pick(0, 3), pick(0, 1) == 1, pick(0, 15));
            else
                voices[c] += Tone(c, ticks, pick(0, 1023), pick(0, 15));
        }
    return Resource(voices);
}

// The document's resource as a byte string; empty (and a failed expectation) when refused.
inline std::string BuiltResource(const CSoundDoc& doc)
{
    const auto built = BuildAgiBytes(doc, doc.GetPlayRange());
    EXPECT_TRUE(built.Ok()) << built.Error();
    return built.Ok() ? std::string(built.Value().begin(), built.Value().end()) : std::string();
}
inline Status ImportBytes(CSoundDoc& doc, const std::string& bytes)
{
    return ImportAgi(doc, {bytes.begin(), bytes.end()});
}

inline SoundCell ToneCell(int note, int atten)
{
    return {static_cast<std::uint8_t>(note), FREQ_EMPTY, NOISE_PERIODIC,
            static_cast<std::uint8_t>(atten)};
}

inline SoundCell NoiseCell(int freq, int noiseType, int atten)
{
    return {NOTE_EMPTY, static_cast<std::uint8_t>(freq), static_cast<std::uint8_t>(noiseType),
            static_cast<std::uint8_t>(atten)};
}

// What a channel's placements hold, one "position:cell" per non-empty row: a tone cell as
// note/attenuation (note@divisor with an exact divisor), a noise cell as frequency, p or w,
// /attenuation; "off" and "-" for the off and empty values.
inline std::string Played(const CSoundDoc& doc, int channel)
{
    auto num = [](int v, int off) {
        return v == 255 ? std::string("-") : v == off ? "off" : std::to_string(v);
    };
    std::string out;
    for (const auto& [pos, pPattern] : doc.GetSequence(channel))
        for (std::int32_t r = 0; r < pPattern->GetRows(); ++r)
        {
            const SoundCell c = pPattern->GetCell(r);
            if (c == SoundCell::Empty())
                continue;
            std::string text = channel != kNoiseChannel ? num(c.note, NOTE_OFF)
                               : c.freq == FREQ_OFF     ? "off"
                                                    : num(c.freq, -1) + (c.noiseType ? "w" : "p");
            if (c.HasDivisor())
                text += "@" + std::to_string(c.divisor);
            text += "/" + num(c.atten, -1);
            out += (out.empty() ? "" : " ") + std::to_string(pos + r) + ":" + text;
        }
    return out;
}

// A new document, as File New makes it.
struct NewDoc
{
    NewDoc() { doc.OnNewDocument(); }
    CSoundDoc doc;
};

inline CSoundPattern* Place(CSoundDoc& doc, int channel, std::int32_t pos, std::int32_t rows)
{
    CSoundPattern* pPattern = doc.CreatePattern(channel, rows);
    doc.PlacePattern(channel, pos, pPattern);
    return pPattern;
}
