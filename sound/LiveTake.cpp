// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/LiveTake.h"

#include "sound/GameTempo.h"
#include "sound/MidiImport.h"
#include "sound/MidiVoices.h"
#include "sound/NoteBars.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <tuple>

CLiveTake::CLiveTake(std::int32_t row, double seconds, bool bHeard, std::int64_t rowTicks,
                     std::int32_t roundTo)
    : m_rowsPerSecond(double{kGameTicksPerSecond} /
                      static_cast<double>(std::max<std::int64_t>(rowTicks, 1))),
      m_nRoundTo(std::max(roundTo, 1)), m_bHeard(bHeard), m_lastTime(seconds), m_segments{{0, row}}
{
}

void CLiveTake::OnRowHeard(std::int32_t row, double seconds)
{
    const Segment& segment = m_segments.back();
    const std::int64_t current = segment.row + (m_lastRow - segment.first);
    const bool bFirst = !m_bHeard;
    m_bHeard = true;
    m_lastTime = seconds;
    if (bFirst && row == current)
        return;
    ++m_lastRow;
    if (row != current + 1)
        m_segments.push_back({m_lastRow, row});
}

std::int64_t CLiveTake::Stamp(double seconds) const
{
    const double since = m_bHeard ? std::max(seconds - m_lastTime, 0.0) * m_rowsPerSecond : 0.0;
    const Segment& segment = m_segments.back();
    // Rounded in song rows, so that a step is a step of the sequence.
    const double songRow = segment.row + static_cast<double>(m_lastRow - segment.first) + since;
    const std::int64_t rounded = std::llround(songRow / m_nRoundTo) * m_nRoundTo;
    return std::max(segment.first + (rounded - segment.row), segment.first);
}

void CLiveTake::NoteOn(int key, int velocity, int midiChannel, double seconds)
{
    if (key < 0 || key > 127 || midiChannel < 0 || midiChannel > 15)
        return;
    // A note-on without velocity is how many keyboards send a release.
    if (velocity <= 0)
        return NoteOff(key, midiChannel, seconds);
    NoteOff(key, midiChannel, seconds);
    m_held[{midiChannel, key}] = m_notes.size();
    m_notes.push_back({key, std::min(velocity, 127), midiChannel, Stamp(seconds)});
}

void CLiveTake::NoteOff(int key, int midiChannel, double seconds)
{
    const auto it = m_held.find({midiChannel, key});
    if (it == m_held.end())
        return;
    Note& note = m_notes[it->second];
    note.end = std::max(Stamp(seconds), note.start + m_nRoundTo);
    m_held.erase(it);
}

std::vector<CLiveTake::Stretch> CLiveTake::ToneStretches() const
{
    std::vector<MidiNote> notes;
    std::vector<std::size_t> taken; // the take's note of each
    for (std::size_t i = 0; i < m_notes.size(); ++i)
    {
        const Note& note = m_notes[i];
        const int pitch = VoicedPitch(note.key);
        if (note.midiChannel == kMidiDrumChannel || pitch > kMaxNote)
            continue;
        notes.push_back({note.midiChannel, note.key, pitch, note.velocity, note.start, note.end,
                         static_cast<std::uint32_t>(i)});
        taken.push_back(i);
    }
    std::vector<std::size_t> which(notes.size());
    for (std::size_t i = 0; i < which.size(); ++i)
        which[i] = i;
    std::vector<Stretch> result;
    for (const VoicedNote& voiced : AllocateVoices(notes, which, {0, 1, 2}).stretches)
        result.push_back({taken[voiced.note], voiced.voice, voiced.start, voiced.end});
    return result;
}

// A hit restarts the noise: written in the order struck, each cuts the one before.
std::vector<CLiveTake::Stretch> CLiveTake::DrumStretches() const
{
    std::vector<Stretch> result;
    for (std::size_t i = 0; i < m_notes.size(); ++i)
        if (m_notes[i].midiChannel == kMidiDrumChannel)
            result.push_back({i, kNoiseChannel, m_notes[i].start, m_notes[i].end});
    return result;
}

std::pair<std::int32_t, std::int64_t> CLiveTake::SongRunAt(std::int64_t takeRow,
                                                           const PlayRange& range) const
{
    const auto next = std::upper_bound(m_segments.begin(), m_segments.end(), takeRow,
                                       [](std::int64_t row, const Segment& segment)
                                       { return row < segment.first; });
    const Segment& segment = *std::prev(next);
    std::int64_t run =
        next != m_segments.end() ? next->first - takeRow : std::numeric_limits<std::int64_t>::max();
    std::int64_t row = segment.row + (takeRow - segment.first);
    // Past the last report the playback went on looping over the range.
    const bool bLooping = segment.row >= range.start && segment.row < range.end;
    if (bLooping)
    {
        if (row >= range.end)
            row = range.start + (row - range.end) % RowsOf(range);
        run = std::min<std::int64_t>(run, range.end - row);
    }
    return {static_cast<std::int32_t>(row), run};
}

std::vector<CLiveTake::Piece> CLiveTake::PiecesInSong(const PlayRange& range) const
{
    std::vector<Stretch> stretches = ToneStretches();
    const std::vector<Stretch> drums = DrumStretches();
    stretches.insert(stretches.end(), drums.begin(), drums.end());
    std::vector<Piece> pieces;
    for (const Stretch& stretch : stretches)
        for (std::int64_t at = stretch.start; at < stretch.end;)
        {
            const auto [row, run] = SongRunAt(at, range);
            const std::int64_t length = std::min(stretch.end - at, run);
            pieces.push_back(
                {at, stretch.channel, row, static_cast<std::int32_t>(length), stretch.note});
            at += length;
        }
    // In the order they were played, so a later pass writes over an earlier one and a drum hit
    // over the hit it cuts.
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece& a, const Piece& b)
                     { return std::tie(a.takeRow, a.channel) < std::tie(b.takeRow, b.channel); });
    return pieces;
}

NoteSpec CLiveTake::WrittenNote(const Piece& piece, std::uint8_t instrument) const
{
    const Note& note = m_notes[piece.note];
    NoteSpec written;
    written.atten = VelocityAttenuation(note.velocity);
    if (piece.channel == kNoiseChannel)
    {
        written.note = DrumNoiseRate(note.key);
        written.noiseType = NOISE_WHITE;
    }
    else
    {
        written.note = static_cast<std::uint8_t>(VoicedPitch(note.key));
        written.instrument = instrument;
    }
    return written;
}

NoteEdit CLiveTake::Finish(const CSoundDoc& doc, double seconds, std::uint8_t instrument)
{
    while (!m_held.empty())
    {
        const auto [channel, key] = m_held.begin()->first;
        NoteOff(key, channel, seconds);
    }
    std::array<ChannelBars, kChannelCount> before;
    for (int channel = 0; channel < kChannelCount; ++channel)
        before[channel] = BuildChannelBars(doc, channel, doc.GetWholeSong());
    CNoteEditor editor(doc, doc.GetStepSize());
    for (const Piece& piece : PiecesInSong(doc.GetPlayRange()))
        editor.AddHeld(piece.channel, piece.row, piece.length, WrittenNote(piece, instrument),
                       before[piece.channel]);
    m_notes.clear();
    return editor.Finish();
}
