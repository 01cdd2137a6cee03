// SPDX-License-Identifier: GPL-3.0-or-later
// Standard MIDI file of the three tone voices of a range.
#include "sound/SoundDoc.h"

#include "sound/AgiTone.h"
#include "sound/ChannelWalk.h"

#include <mutex>

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

// One note-on/note-off pair for the held cell; silence is key 0 at velocity 64.
template <class Out>
void PutNotePair(Out& out, int voice, const SoundCell& held, std::int64_t ticks)
{
    const int atten = held.note >= NOTE_OFF ? 15 : held.atten & 0x0F;
    int key = 0;
    int velocity = 0x40;
    if (atten != 15)
    {
        key = held.note;
        velocity = 100 - 6 * atten;
    }
    PutByte(out, 0);
    PutByte(out, 0x90 + voice);
    PutByte(out, key);
    PutByte(out, velocity);
    PutDelta(out, ticks);
    PutByte(out, 0x80 + voice);
    PutByte(out, key);
    PutByte(out, 0x40);
}

// Stops early once the output is past the size limit: the result is refused then anyway.
template <class Out>
void PutVoiceNotes(Out& out, const CSoundDoc& doc, const PlayRange& range, int voice,
                   std::int64_t ticksPerRow)
{
    // Before the first placement nothing sounds, at attenuation 0.
    SoundCell working{NOTE_EMPTY, FREQ_EMPTY, NOISE_PERIODIC, 0};
    SoundCell held = working;
    std::int64_t nRows = 0;

    CChannelWalk walk(doc, voice, range);
    CChannelWalk::Step step;
    while (walk.NextRun(step) && out.size() <= CSoundDoc::kMaxMidiBytes)
    {
        step.MergeInto(working);
        if (step.kind == CChannelWalk::Kind::PatternRow)
        {
            // Empty bytes keep the held note; an attenuation alone re-sounds it at that level.
            if (working.atten == ATTEN_EMPTY)
                working.atten = held.atten;
            else if (working.note == NOTE_EMPTY)
                working.note = held.note;
        }
        if (step.pos == range.end && held.note != NOTE_EMPTY)
            working.note = NOTE_OFF;

        const bool bEvent = working.note != NOTE_EMPTY;
        if (!bEvent)
            nRows += step.nCount;
        if (step.pos == range.start || bEvent)
        {
            if (step.pos != range.start)
                PutNotePair(out, voice, held, nRows * ticksPerRow);
            held = working;
            nRows = 1;
        }
    }
}

// The events of one track, without its header.
template <class Out>
void PutTrackEvents(Out& out, const CSoundDoc& doc, const PlayRange& range, int voice,
                    int program, std::int64_t ticksPerRow)
{
    PutByte(out, 0);
    PutByte(out, 0xC0 + voice);
    // A program byte with its top bit set would read as a status byte.
    PutByte(out, program & 0x7F);
    PutVoiceNotes(out, doc, range, voice, ticksPerRow);
    PutByte(out, 0);
    PutByte(out, 0xFF);
    PutByte(out, 0x2F);
    PutByte(out, 0x00);
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
    const std::int64_t ticksPerRow = AgiTicksPerRow(m_nTracksPerBeat, m_nBeatsPerMinute);
    // Sized first, so a file past the limit never takes its memory.
    constexpr std::uint64_t kHeaderBytes = 14;
    constexpr std::uint64_t kTrackHeaderBytes = 8;
    std::array<std::uint64_t, kMidiVoices> trackBytes{};
    std::uint64_t total = kHeaderBytes;
    for (int voice = 0; voice < kMidiVoices && total <= kMaxMidiBytes; ++voice)
    {
        CByteCount count;
        PutTrackEvents(count, *this, range, voice, programs[voice], ticksPerRow);
        trackBytes[voice] = count.size();
        total += kTrackHeaderBytes + count.size();
    }
    if (total > kMaxMidiBytes)
        return Failure{kMidiTooLargeText};

    std::string file;
    file.reserve(static_cast<std::size_t>(total));
    file = "MThd";
    WriteBE32(file, 6);
    WriteBE16(file, 1);
    WriteBE16(file, kMidiVoices);
    WriteBE16(file, kTicksPerQuarter);
    for (int voice = 0; voice < kMidiVoices; ++voice)
    {
        file += "MTrk";
        WriteBE32(file, static_cast<std::int32_t>(trackBytes[voice]));
        PutTrackEvents(file, *this, range, voice, programs[voice], ticksPerRow);
    }
    return file;
}
