#pragma once
// Building blocks of AGI sound resources and documents for the converter tests.

#include "sound/SoundDoc.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

inline const std::string kChannelEnd = Bytes({0xFF, 0xFF});

inline std::string Record(int duration, int byte2, int byte3, int byte4)
{
    return Bytes({duration & 0xFF, (duration >> 8) & 0xFF, byte2, byte3, byte4});
}

inline std::string ToneRecord(int channel, int duration, int divisor, int atten)
{
    return Record(duration, (divisor >> 4) & 0x3F, 0x80 + 32 * channel + (divisor & 0x0F),
                  0x90 + 32 * channel + atten);
}

inline std::string NoiseRecord(int duration, int freq, bool bWhite, int atten)
{
    return Record(duration, 0, 0xE0 + (bWhite ? 4 : 0) + freq, 0xF0 + atten);
}

// A resource whose channels hold the given bytes (records and terminators), one after
// the other behind the offsets table.
inline std::string Resource(const std::array<std::string, 4>& channels)
{
    std::string out;
    std::size_t offset = 8;
    for (const auto& data : channels)
    {
        out += Bytes({static_cast<int>(offset & 0xFF), static_cast<int>(offset >> 8)});
        offset += data.size();
    }
    for (const auto& data : channels)
        out += data;
    return out;
}

inline std::string RawData(const CSoundDoc& doc)
{
    return std::string(doc.m_rawData.begin(), doc.m_rawData.end());
}

inline void SetRawData(CSoundDoc& doc, const std::string& bytes)
{
    doc.m_rawData.assign(bytes.begin(), bytes.end());
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

// A new document, as File New makes it.
struct NewDoc
{
    NewDoc() { doc.OnNewDocument(); }
    CSoundDoc doc;
};

// Places a fresh pattern of the given rows on the channel at the song position.
inline CSoundPattern* Place(CSoundDoc& doc, int channel, std::int32_t pos, std::int32_t rows)
{
    CSoundPattern* pPattern = doc.CreatePattern(channel, rows);
    doc.m_sequence[channel][pos] = pPattern;
    return pPattern;
}
