// SPDX-License-Identifier: GPL-3.0-or-later
// Standard MIDI file of a range: the three tone voices, and the noise channel as drums.
#include "sound/SoundDoc.h"

#include "sound/ChannelWalk.h"
#include "sound/GameTempo.h"

#include <mutex>
#include <utility>

namespace
{
constexpr int kMidiVoices = 3;
constexpr std::int32_t kTicksPerQuarter = 28;
// The largest delta time a variable-length quantity holds.
constexpr std::int64_t kMaxDelta = 0x0FFFFFFF;

// Stands in for the file while sizing it: counts what would be written.
class CByteCount
{
public:
    void push_back(char) { ++m_nSize; }
    std::uint64_t size() const { return m_nSize; }

private:
    std::uint64_t m_nSize = 0;
};

template <class Out> void PutByte(Out& out, std::int32_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
}

template <class Out> void PutBE32(Out& out, std::int32_t value)
{
    PutByte(out, value >> 24);
    PutByte(out, value >> 16);
    PutByte(out, value >> 8);
    PutByte(out, value);
}

template <class Out> void PutVarLen(Out& out, std::int32_t value)
{
    for (const int shift : {21, 14, 7})
        if ((value >> shift) > 0)
            PutByte(out, ((value >> shift) & 0x7F) | 0x80);
    PutByte(out, value & 0x7F);
}

// A wait longer than one delta time can hold is reached through empty text events.
template <class Out> void PutDelta(Out& out, std::int64_t ticks)
{
    for (; ticks > kMaxDelta; ticks -= kMaxDelta)
    {
        PutVarLen(out, static_cast<std::int32_t>(kMaxDelta));
        PutByte(out, 0xFF);
        PutByte(out, 0x01);
        PutByte(out, 0x00);
    }
    PutVarLen(out, static_cast<std::int32_t>(ticks));
}

// The noise channel's track plays on the drum channel, its notes as drum keys.
constexpr int kDrumTrack = kNoiseChannel;
constexpr int kDrumMidiChannel = 9;
// One game tick a MIDI tick: 28 ticks a quarter note at 1/60 s each.
constexpr std::int32_t kMicrosecondsPerQuarter = 466667;

int MidiChannelOf(int channel)
{
    return channel == kDrumTrack ? kDrumMidiChannel : channel;
}

// The drum of a noise setting: white noise by its rate, periodic noise as one drum.
int DrumKey(const SoundCell& held)
{
    static constexpr int kWhiteKeys[4] = {42, 38, 36, 46};
    return held.noiseType == NOISE_WHITE ? kWhiteKeys[held.freq & 3] : 39;
}

// One track's events as they are written: silence is time passing before the next event.
template <class Out> class CMidiTrackOut
{
public:
    CMidiTrackOut(Out& out, int channel) : m_out(out), m_nMidiChannel(MidiChannelOf(channel)) {}

    void Tempo()
    {
        PutDelta(m_out, 0);
        for (const int byte : {0xFF, 0x51, 0x03})
            PutByte(m_out, byte);
        for (const int shift : {16, 8, 0})
            PutByte(m_out, kMicrosecondsPerQuarter >> shift);
    }
    void Program(int program)
    {
        PutDelta(m_out, 0);
        PutByte(m_out, 0xC0 + m_nMidiChannel);
        // A program byte with its top bit set would read as a status byte.
        PutByte(m_out, program & 0x7F);
    }
    void Note(int key, int velocity, std::int64_t ticks)
    {
        PutDelta(m_out, std::exchange(m_nWait, 0));
        PutByte(m_out, 0x90 + m_nMidiChannel);
        PutByte(m_out, key);
        PutByte(m_out, velocity);
        PutDelta(m_out, ticks);
        PutByte(m_out, 0x80 + m_nMidiChannel);
        PutByte(m_out, key);
        PutByte(m_out, 0x40);
        ++m_nNotes;
    }
    void Rest(std::int64_t ticks) { m_nWait += ticks; }
    // After a last rest, so the track lasts as long as the range.
    void End()
    {
        PutDelta(m_out, std::exchange(m_nWait, 0));
        for (const int byte : {0xFF, 0x2F, 0x00})
            PutByte(m_out, byte);
    }
    std::int64_t GetNotes() const { return m_nNotes; }

private:
    Out& m_out;
    int m_nMidiChannel;
    std::int64_t m_nWait = 0;
    std::int64_t m_nNotes = 0;
};

// The held cell for its ticks: a note at the velocity of its attenuation, or a rest.
template <class Out>
void PutHeld(CMidiTrackOut<Out>& track, int channel, const SoundCell& held, std::int64_t ticks)
{
    const bool bNoise = channel == kNoiseChannel;
    const bool bOff = bNoise ? held.freq == FREQ_OFF || held.freq == FREQ_EMPTY
                             : held.note >= NOTE_OFF;
    const int atten = bOff ? 15 : held.atten & 0x0F;
    if (atten == 15)
        track.Rest(ticks);
    else
        track.Note(bNoise ? DrumKey(held) : held.note, 100 - 6 * atten, ticks);
}

// The channel's notes, by the AGI export's rules: a note lasts until the next event on its
// channel, and the range end closes the last. Stops early once the output is past the size
// limit: the result is refused then anyway.
template <class Out>
void PutChannelNotes(Out& out, CMidiTrackOut<Out>& track, const CSoundDoc& doc,
                     const PlayRange& range, int channel, std::int64_t ticksPerRow)
{
    const bool bNoise = channel == kNoiseChannel;
    // Before the first placement nothing sounds, at attenuation 0.
    SoundCell working{NOTE_EMPTY, FREQ_EMPTY, NOISE_PERIODIC, 0};
    SoundCell held = working;
    std::int64_t nRows = 0;

    CChannelWalk walk(doc, channel, range);
    CChannelWalk::Step step;
    while (walk.NextRun(step) && out.size() <= CSoundDoc::kMaxMidiBytes)
    {
        step.MergeInto(working);
        if (step.kind == CChannelWalk::Kind::PatternRow)
        {
            // Empty bytes keep the held sound; an attenuation alone re-sounds it at that level.
            if (working.atten == ATTEN_EMPTY)
                working.atten = held.atten;
            else if (bNoise && working.freq == FREQ_EMPTY)
            {
                working.freq = held.freq;
                working.noiseType = held.noiseType;
            }
            else if (!bNoise && working.note == NOTE_EMPTY)
                working.note = held.note;
        }
        if (step.pos == range.end)
        {
            if (!bNoise && held.note != NOTE_EMPTY)
                working.note = NOTE_OFF;
            if (bNoise && held.freq != FREQ_EMPTY)
                working.freq = FREQ_OFF;
        }

        const bool bEvent = bNoise ? working.freq != FREQ_EMPTY : working.note != NOTE_EMPTY;
        if (!bEvent)
            nRows += step.nCount;
        if (step.pos == range.start || bEvent)
        {
            if (step.pos != range.start)
                PutHeld(track, channel, held, nRows * ticksPerRow);
            held = working;
            nRows = 1;
        }
    }
}

// The events of one track, without its header; the number of notes in it.
template <class Out>
std::int64_t PutTrackEvents(Out& out, const CSoundDoc& doc, const PlayRange& range, int channel,
                            int program, std::int64_t ticksPerRow)
{
    CMidiTrackOut<Out> track(out, channel);
    if (channel == 0)
        track.Tempo();
    track.Program(program);
    PutChannelNotes(out, track, doc, range, channel, ticksPerRow);
    track.End();
    return track.GetNotes();
}
} // namespace

void CSoundDoc::WriteByte(std::string& file, std::int32_t value)
{
    PutByte(file, value);
}

void CSoundDoc::WriteBE16(std::string& file, std::int32_t value)
{
    PutByte(file, value >> 8);
    PutByte(file, value);
}

void CSoundDoc::WriteBE32(std::string& file, std::int32_t value)
{
    PutBE32(file, value);
}

void CSoundDoc::WriteVarLen(std::string& file, std::int32_t value)
{
    PutVarLen(file, value);
}

Result<std::string> CSoundDoc::BuildMIDIFile(const std::array<int, 3>& programs,
                                             const PlayRange& range) const
{
    std::lock_guard lock(m_guard);
    const std::int64_t ticksPerRow = CGameTempo(*this).TicksPerRow();
    const auto program = [&](int channel) { return channel < kMidiVoices ? programs[channel] : 0; };
    // Sized first, so a file past the limit never takes its memory. The noise channel's track
    // is written only when it has notes.
    constexpr std::uint64_t kHeaderBytes = 14;
    constexpr std::uint64_t kTrackHeaderBytes = 8;
    std::array<std::uint64_t, kChannelCount> trackBytes{};
    std::uint64_t total = kHeaderBytes;
    int nTracks = 0;
    for (int channel = 0; channel < kChannelCount && total <= kMaxMidiBytes; ++channel)
    {
        CByteCount count;
        const std::int64_t nNotes =
            PutTrackEvents(count, *this, range, channel, program(channel), ticksPerRow);
        if (channel == kDrumTrack && nNotes == 0)
            break;
        trackBytes[channel] = count.size();
        total += kTrackHeaderBytes + count.size();
        ++nTracks;
    }
    if (total > kMaxMidiBytes)
        return Failure{kMidiTooLargeText};

    std::string file;
    file.reserve(static_cast<std::size_t>(total));
    file = "MThd";
    WriteBE32(file, 6);
    WriteBE16(file, 1);
    WriteBE16(file, nTracks);
    WriteBE16(file, kTicksPerQuarter);
    for (int channel = 0; channel < nTracks; ++channel)
    {
        file += "MTrk";
        WriteBE32(file, static_cast<std::int32_t>(trackBytes[channel]));
        PutTrackEvents(file, *this, range, channel, program(channel), ticksPerRow);
    }
    return file;
}
