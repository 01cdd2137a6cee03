// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/InstrumentVoice.h"
#include "sound/SoundDoc.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// What one voice of an exported resource takes: its records and its bytes, end mark included.
struct AgiVoiceSize
{
    std::int64_t records = 0;
    std::int64_t bytes = 0;
    bool operator==(const AgiVoiceSize&) const = default;
};

// Writes one channel of a range as the engine's records, or only counts them.
//
// A note without an instrument is one record lasting until the next event on its channel (a
// note, an off, a new attenuation), as the tracker has always written it. A note with one is
// baked: one record for each run of ticks that sound alike, and a new record at its start
// even when nothing changes, so the interpreter's fade starts again with each note. Its
// release sounds on through the rest that follows, up to the next note.
class CAgiChannelWriter
{
public:
    // pOut null: counts only. nRoom: the most bytes the channel may take.
    CAgiChannelWriter(const CSoundDoc& doc, int channel, std::int64_t ticksPerRow,
                      std::vector<std::uint8_t>* pOut, std::int64_t nRoom);

    // The channel's records and its end mark; false, as soon as it is known, when they would
    // take more than the room. The caller holds the document's guard.
    bool Write(const PlayRange& range);
    AgiVoiceSize Size() const { return m_size; }

private:
    using Sound = std::array<std::uint8_t, 3>; // bytes 2-4 of a record

    enum class Mode
    {
        Plain,     // what sounds is the held cell as it stands
        Held,      // an instrument's note is held
        Releasing, // an instrument's note sounds on through a rest
    };

    // The rows from one event to the next: held is what they play, bStarts whether its
    // own cell gave the note (not an attenuation that re-sounds it).
    void Segment(const SoundCell& held, bool bStarts, std::int64_t ticks);
    void PlayVoice(std::int64_t ticks, bool bNewRecord);
    void Add(const Sound& sound, std::int64_t ticks, bool bNewRecord);
    void Flush();
    bool Finish();
    Sound SoundOf(const SoundCell& held) const;
    Sound SoundOf(const VoiceTick& tick) const;
    bool Sounds(const SoundCell& held) const;

    const CSoundDoc& m_doc;
    const int m_nChannel;
    const bool m_bNoise;
    const std::int64_t m_nTicksPerRow;
    std::vector<std::uint8_t>* const m_pOut;
    const std::int64_t m_nRoom;

    CInstrumentVoice m_voice;
    Mode m_mode = Mode::Plain;
    // The record being made: it grows while the ticks after it sound alike.
    bool m_bOpen = false;
    Sound m_open{};
    std::int64_t m_nOpenTicks = 0;
    AgiVoiceSize m_size;
    bool m_bFull = false;
};
