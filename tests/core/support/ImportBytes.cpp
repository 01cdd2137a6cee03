// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ImportBytes.h"

#include <zlib.h>

#include <stdexcept>

namespace
{
void AppendVarLen(Bytes& out, std::uint32_t value)
{
    Bytes reversed{static_cast<std::uint8_t>(value & 0x7F)};
    while ((value >>= 7) != 0)
        reversed.push_back(static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    out.insert(out.end(), reversed.rbegin(), reversed.rend());
}

void AppendBE(Bytes& out, std::uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendLE32(Bytes& out, std::size_t pos, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[pos + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A silence that only fills a gap: a tone at divisor 15 or any noise at attenuation 15.
bool FillsGap(int channel, const SongRecord& record)
{
    return record.atten == 15 && (channel == 3 || record.setting == 15);
}
} // namespace

Bytes CrowdedMidiSong()
{
    constexpr int kQuarter = 480;
    CMidiTrack track;
    track.Chord(0, 0, {30, 60, 64, 67, 72}, kQuarter);
    track.On(0, 1, 50).On(0, 9, 36).Off(kQuarter, 1, 50).Off(0, 9, 36).End();
    return MidiFile({track});
}

CMidiTrack& CMidiTrack::Event(std::uint32_t delta, std::initializer_list<int> eventBytes)
{
    AppendVarLen(bytes, delta);
    for (const int b : eventBytes)
        bytes.push_back(static_cast<std::uint8_t>(b));
    return *this;
}

Bytes MidiFile(const std::vector<CMidiTrack>& tracks, int division, int format)
{
    Bytes out{'M', 'T', 'h', 'd'};
    AppendBE(out, 6, 4);
    AppendBE(out, static_cast<std::uint32_t>(format), 2);
    AppendBE(out, static_cast<std::uint32_t>(tracks.size()), 2);
    AppendBE(out, static_cast<std::uint32_t>(division), 2);
    for (const CMidiTrack& track : tracks)
    {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        AppendBE(out, static_cast<std::uint32_t>(track.bytes.size()), 4);
        out.insert(out.end(), track.bytes.begin(), track.bytes.end());
    }
    return out;
}

Bytes VgmFile(const Bytes& commands, std::uint32_t totalSamples, std::uint32_t clock)
{
    Bytes out(0x40, 0);
    out[0] = 'V', out[1] = 'g', out[2] = 'm', out[3] = ' ';
    AppendLE32(out, 0x08, 0x151);
    AppendLE32(out, 0x0C, clock);
    AppendLE32(out, 0x18, totalSamples);
    AppendLE32(out, 0x34, 0x0C);
    out.insert(out.end(), commands.begin(), commands.end());
    out.push_back(0x66);
    AppendLE32(out, 0x04, static_cast<std::uint32_t>(out.size() - 4));
    return out;
}

Bytes VgmTone(int voice, int divisor)
{
    return {0x50, static_cast<std::uint8_t>(0x80 | voice << 5 | (divisor & 0x0F)), 0x50,
            static_cast<std::uint8_t>((divisor >> 4) & 0x3F)};
}

Bytes VgmAtten(int voice, int atten)
{
    return {0x50, static_cast<std::uint8_t>(0x90 | voice << 5 | atten)};
}

Bytes VgmWait(std::uint16_t samples)
{
    return {0x61, static_cast<std::uint8_t>(samples & 0xFF),
            static_cast<std::uint8_t>(samples >> 8)};
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Gzip(const Bytes& bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 64);
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::array<std::vector<SongRecord>, 4> ResourceRecords(const std::vector<std::uint8_t>& data)
{
    std::array<std::vector<SongRecord>, 4> result;
    for (int c = 0; c < 4; ++c)
    {
        std::int64_t tick = 0;
        for (std::size_t pos = data[2 * c] | data[2 * c + 1] << 8;
             pos + 5 <= data.size() && (data[pos] & data[pos + 1]) != 0xFF; pos += 5)
        {
            SongRecord record;
            record.start = tick;
            record.ticks = data[pos] | data[pos + 1] << 8;
            record.setting = static_cast<std::uint16_t>(
                c == 3 ? data[pos + 3] & 7 : (data[pos + 2] & 0x3F) << 4 | (data[pos + 3] & 15));
            record.atten = data[pos + 4] & 15;
            tick += record.ticks;
            if (!FillsGap(c, record))
                result[c].push_back(record);
        }
    }
    return result;
}

std::array<std::vector<SongRecord>, 4> AudibleRecords(const ImportedSong& song)
{
    std::array<std::vector<SongRecord>, 4> result;
    for (int c = 0; c < 4; ++c)
        for (const SongRecord& record : song.channels[c])
            if (!FillsGap(c, record))
                result[c].push_back(record);
    return result;
}

void PrintTo(const SongRecord& record, std::ostream* os)
{
    *os << record.start << "+" << record.ticks << ":" << record.setting << "/" << int{record.atten};
}
