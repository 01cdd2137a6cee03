// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/NoteEdits.h"
#include "sound/SoundDoc.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

// MIDI channel of the drum keys, counted from 0.
constexpr int kMidiDrumChannel = 9;

// The notes played into a playback, each stamped with the song row heard when it was played,
// and what they make of the song when the take ends. Times are seconds of a monotonic clock.
//
// The take counts rows in its own time, which runs on through the loops of the play range;
// the row reports say which song row each of its rows was, so a note held over the loop
// lands on both ends, and a note of a later pass overwrites the cells it covers.
class CLiveTake
{
public:
    // The take starts at row, at the time given. bHeard: the row sounds now (recording joins a
    // playback); otherwise the playback has yet to reach it, and time stands until it does.
    // rowTicks: game ticks a row; roundTo: the rows a stamp is rounded to (1 or the step size).
    CLiveTake(std::int32_t row, double seconds, bool bHeard, std::int64_t rowTicks,
              std::int32_t roundTo);

    // The play thread reports the row that starts to sound.
    void OnRowHeard(std::int32_t row, double seconds);
    // key 0-127, midiChannel 0-15 (kMidiDrumChannel: drums). A key struck again ends its note.
    void NoteOn(int key, int velocity, int midiChannel, double seconds);
    void NoteOff(int key, int midiChannel, double seconds);

    // The keys still held are released at the time given. Tone notes are spread over the
    // three voices by the MIDI import's voice rule, drum keys go to the noise channel by its
    // drum map; patterns are made where none plays. instrument: the notes' (0 for none).
    NoteEdit Finish(const CSoundDoc& doc, double seconds, std::uint8_t instrument);

private:
    struct Note
    {
        int key = 0;
        int velocity = 0;
        int midiChannel = 0;
        std::int64_t start = 0; // in the take's rows
        std::int64_t end = -1;  // -1 while held
    };
    // From its first row on, the take's rows are song rows from row on.
    struct Segment
    {
        std::int64_t first = 0;
        std::int32_t row = 0;
    };
    // A note's stretch on one channel, in the take's rows.
    struct Stretch
    {
        std::size_t note = 0;
        int channel = 0;
        std::int64_t start = 0;
        std::int64_t end = 0;
    };

    // A stretch's part in one run of song rows.
    struct Piece
    {
        std::int64_t takeRow = 0;
        int channel = 0;
        std::int32_t row = 0;
        std::int32_t length = 0;
        std::size_t note = 0;
    };

    std::int64_t Stamp(double seconds) const;
    std::vector<Stretch> ToneStretches() const;
    std::vector<Stretch> DrumStretches() const;
    // The song row of a take row, and how many rows run on from it before the song jumps.
    std::pair<std::int32_t, std::int64_t> SongRunAt(std::int64_t takeRow,
                                                    const PlayRange& range) const;
    std::vector<Piece> PiecesInSong(const PlayRange& range) const;
    NoteSpec WrittenNote(const Piece& piece, std::uint8_t instrument) const;

    double m_rowsPerSecond;
    std::int32_t m_nRoundTo;
    bool m_bHeard;
    std::int64_t m_lastRow = 0; // the take row last reported
    double m_lastTime;
    std::vector<Segment> m_segments;
    std::vector<Note> m_notes;
    std::map<std::pair<int, int>, std::size_t> m_held; // (channel, key) to note
};
