// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MidiFile.h"

#include "sound/ImportedSong.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr std::uint32_t kDefaultTempo = 500000; // microseconds per quarter note
constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;

// An event before its place on the time axis is known.
struct TrackEvent
{
    std::uint64_t midiTick = 0;
    std::uint32_t tempo = 0; // a tempo change when non-zero; else a channel message
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

std::uint32_t ReadBE32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::uint32_t ReadBE16(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} << 8 | p[1];
}

// The data bytes of a channel message of each kind 0x80-0xE0.
int DataBytes(std::uint8_t status)
{
    const int kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// The data bytes of system common and real-time messages, which a file should not hold.
int SystemDataBytes(std::uint8_t status)
{
    switch (status)
    {
    case 0xF1:
    case 0xF3:
        return 1;
    case 0xF2:
        return 2;
    default:
        return 0;
    }
}

class CTrackReader
{
public:
    CTrackReader(const std::uint8_t* p, std::size_t size) : m_p(p), m_size(size)
    {
    }

    std::string Read(std::vector<TrackEvent>& out, std::uint64_t& lastTick)
    {
        std::uint64_t tick = 0;
        std::uint8_t running = 0;
        while (m_pos < m_size)
        {
            std::uint32_t delta = 0;
            if (!ReadVarLen(delta))
                return "an event runs past the end of its track";
            tick += delta;
            lastTick = std::max(lastTick, tick);
            if (m_pos >= m_size)
                return "an event runs past the end of its track";
            std::uint8_t status = m_p[m_pos];
            if (status >= 0x80)
                ++m_pos;
            else if (running == 0)
                return "running status without a status byte";
            else
                status = running;

            TrackEvent event{tick};
            if (status < 0xF0)
            {
                running = status;
                const int count = DataBytes(status);
                if (m_pos + count > m_size)
                    return "an event runs past the end of its track";
                event.status = status;
                event.data1 = m_p[m_pos] & 0x7F;
                event.data2 = count == 2 ? m_p[m_pos + 1] & 0x7F : 0;
                m_pos += count;
                out.push_back(event);
                continue;
            }
            running = 0;
            if (status == kMetaEvent)
            {
                if (m_pos >= m_size)
                    return "an event runs past the end of its track";
                const std::uint8_t type = m_p[m_pos++];
                std::uint32_t length = 0;
                if (!ReadVarLen(length) || length > m_size - m_pos)
                    return "an event runs past the end of its track";
                if (type == kMetaTempo && length >= 3)
                {
                    event.tempo = std::uint32_t{m_p[m_pos]} << 16 |
                                  std::uint32_t{m_p[m_pos + 1]} << 8 | m_p[m_pos + 2];
                    if (event.tempo == 0)
                        return "tempo 0";
                    out.push_back(event);
                }
                m_pos += length;
                if (type == kMetaEndOfTrack)
                    break;
            }
            else if (status == 0xF0 || status == 0xF7)
            {
                std::uint32_t length = 0;
                if (!ReadVarLen(length) || length > m_size - m_pos)
                    return "an event runs past the end of its track";
                m_pos += length;
            }
            else
            {
                const int count = SystemDataBytes(status);
                if (m_pos + count > m_size)
                    return "an event runs past the end of its track";
                m_pos += count;
            }
        }
        return {};
    }

private:
    bool ReadVarLen(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i)
        {
            if (m_pos >= m_size)
                return false;
            const std::uint8_t byte = m_p[m_pos++];
            value = value << 7 | (byte & 0x7F);
            if ((byte & 0x80) == 0)
                return true;
        }
        return false;
    }

    const std::uint8_t* m_p;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Seconds times 10^6 times the division, summed exactly: delta times tempo per event.
using Exact = unsigned __int128;

std::int64_t ResourceTick(Exact microTicks, std::uint32_t division)
{
    // floor(60 t + 1/2) with t = microTicks / (division 10^6).
    const Exact denominator = Exact{division} * 1000000u;
    const Exact numerator = microTicks * 120u + denominator;
    // A 128-bit division costs many times a 64-bit one, and real songs fit in 64 bits.
    const Exact tick = numerator <= UINT64_MAX
                           ? Exact{static_cast<std::uint64_t>(numerator) /
                                   static_cast<std::uint64_t>(denominator * 2u)}
                           : numerator / (denominator * 2u);
    return tick > static_cast<Exact>(kMaxImportedTicks) ? kMaxImportedTicks + 1
                                                        : static_cast<std::int64_t>(tick);
}

// Calls f for every event by time, then track, then place in the track. Each track is in time
// order already, so merging the tracks costs the events times the log of the tracks. Stops
// when f returns false.
template <class F>
void ForEachInFileOrder(const std::vector<TrackEvent>& events,
                        const std::vector<std::size_t>& trackStarts, F f)
{
    // A track's next event; the key is kept here so that comparing reads no event.
    struct Cursor
    {
        std::uint64_t midiTick;
        std::size_t track; // index into trackStarts, which is the file's order of tracks
        std::size_t pos;
        std::size_t end;
        // Without branches: which track comes next is what the merge cannot predict.
        bool operator<(const Cursor& other) const
        {
            return (midiTick < other.midiTick) |
                   ((midiTick == other.midiTick) & (track < other.track));
        }
    };
    std::vector<Cursor> heap; // a binary heap, the earliest first
    auto siftDown = [&](std::size_t i)
    {
        const Cursor moving = heap[i];
        for (std::size_t child; (child = 2 * i + 1) < heap.size(); i = child)
        {
            child +=
                static_cast<std::size_t>(child + 1 < heap.size() && heap[child + 1] < heap[child]);
            if (!(heap[child] < moving))
                break;
            heap[i] = heap[child];
        }
        heap[i] = moving;
    };
    for (std::size_t i = 0; i < trackStarts.size(); ++i)
    {
        const std::size_t end = i + 1 < trackStarts.size() ? trackStarts[i + 1] : events.size();
        if (trackStarts[i] < end)
            heap.push_back({events[trackStarts[i]].midiTick, i, trackStarts[i], end});
    }
    for (std::size_t i = heap.size() / 2; i-- > 0;)
        siftDown(i);
    while (!heap.empty())
    {
        Cursor& first = heap.front();
        if (!f(events[first.pos]))
            return;
        if (++first.pos < first.end)
            first.midiTick = events[first.pos].midiTick;
        else
        {
            first = heap.back();
            heap.pop_back();
            if (heap.empty())
                break;
        }
        siftDown(0);
    }
}

std::string ReadHeader(const std::vector<std::uint8_t>& bytes, std::uint32_t& division,
                       std::size_t& pos)
{
    if (bytes.size() < 8 || std::memcmp(bytes.data(), "MThd", 4) != 0)
        return "not a MIDI file";
    const std::uint32_t length = ReadBE32(&bytes[4]);
    if (length < 6 || length > bytes.size() - 8)
        return "truncated chunk";
    const std::uint32_t format = ReadBE16(&bytes[8]);
    division = ReadBE16(&bytes[12]);
    if (format == 2)
        return "MIDI format 2 (independent sequences) is not supported";
    if (format > 2)
        return "MIDI format " + std::to_string(format) + " is not defined";
    if ((division & 0x8000) != 0)
        return "SMPTE time division is not supported";
    if (division == 0)
        return "division 0";
    pos = 8 + length;
    return {};
}
} // namespace

Result<MidiSong> ReadMidiFile(const std::vector<std::uint8_t>& bytes, const CProgress& progress)
{
    std::uint32_t division = 0;
    std::size_t pos = 0;
    if (std::string error = ReadHeader(bytes, division, pos); !error.empty())
        return Failure{std::move(error)};

    std::vector<TrackEvent> events;
    // Most events take three or four bytes: room for them all, without regrowing copies.
    events.reserve(bytes.size() / 3);
    std::vector<std::size_t> trackStarts; // where each track's events begin
    std::uint64_t lastMidiTick = 0;
    const CProgress tracksRead = progress.Part(0.0, 0.5);
    while (pos < bytes.size())
    {
        if (progress.Cancelled())
            return Failure{};
        tracksRead.Step(pos, bytes.size());
        if (bytes.size() - pos < 8)
            return Failure{"truncated chunk"};
        const bool bTrack = std::memcmp(&bytes[pos], "MTrk", 4) == 0;
        const std::uint32_t length = ReadBE32(&bytes[pos + 4]);
        pos += 8;
        if (length > bytes.size() - pos)
            return Failure{bTrack ? "track longer than the file" : "truncated chunk"};
        if (bTrack)
        {
            trackStarts.push_back(events.size());
            CTrackReader reader(&bytes[pos], length);
            if (std::string error = reader.Read(events, lastMidiTick); !error.empty())
                return Failure{std::move(error)};
        }
        pos += length;
    }

    // The tempo map, walked once: each event's time is the sum so far plus its own stretch.
    Exact sum = 0;
    std::uint64_t sumTick = 0;
    std::uint32_t tempo = kDefaultTempo;
    auto timeOf = [&](std::uint64_t midiTick) { return sum + Exact{midiTick - sumTick} * tempo; };
    MidiSong song;
    song.events.reserve(events.size());
    const CProgress merged = progress.Part(0.5, 1.0);
    std::size_t nMerged = 0;
    ForEachInFileOrder(events, trackStarts,
                       [&](const TrackEvent& event)
                       {
                           if (!merged.KeepGoing(nMerged++, events.size()))
                               return false;
                           if (event.tempo != 0)
                           {
                               sum = timeOf(event.midiTick);
                               sumTick = event.midiTick;
                               tempo = event.tempo;
                               return true;
                           }
                           song.events.push_back({ResourceTick(timeOf(event.midiTick), division),
                                                  event.status, event.data1, event.data2});
                           return true;
                       });
    if (progress.Cancelled())
        return Failure{};
    progress.Done();
    song.lastTick = ResourceTick(timeOf(std::max(lastMidiTick, sumTick)), division);
    if (song.lastTick > kMaxImportedTicks)
        return Failure{SongTooLongMessage()};
    return song;
}
