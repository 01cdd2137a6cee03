// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

class CSoundDoc;
struct PlayRange;

// The game plays a sound at 60 ticks a second, and the AGI export gives every row a whole
// number of ticks (AgiTicksPerRow). That row length is the one truth: playback, every render
// and export, the row reports and the lengths shown all count rows of it, so what is heard
// is what the game plays.
inline constexpr int kGameTicksPerSecond = 60;
// Why a tempo is refused where it is typed.
inline constexpr const char* kTempoTooFastText =
    "This tempo is too fast for the game: a row would last less than one tick (1/60 s). Lower "
    "Tracks Per Beat or Beats Per Minute.";

class CGameTempo
{
public:
    CGameTempo(std::int32_t tracksPerBeat, std::int32_t beatsPerMinute);
    explicit CGameTempo(const CSoundDoc& doc);

    // At least 1: a tempo that would give none plays as fast as the game can.
    std::int64_t TicksPerRow() const { return m_nTicksPerRow; }
    // The tempo gives less than one tick a row; it is refused where it is typed.
    bool IsTooFast() const { return m_bTooFast; }
    double BeatsPerMinute() const;
    std::int64_t TicksOf(std::int64_t rows) const { return rows * m_nTicksPerRow; }
    // "5 ticks a row: 180 BPM in the game, 2:13 for the play range", or why the tempo is too
    // fast.
    std::string Describe(std::int64_t playRangeRows) const;

private:
    std::int64_t m_nTicksPerRow;
    std::int32_t m_nTracksPerBeat;
    bool m_bTooFast;
};

// The rows the game plays of a range: from its start up to, not including, its end.
std::int64_t RowsOf(const PlayRange& range);
// The row playback plays after pos, looping over the range as the game's sound would: the
// range start follows the row before the range end (and any row outside the range).
std::int32_t NextPassRow(const PlayRange& range, std::int32_t pos);
// Game ticks as m:ss, to the nearest second: "2:13".
std::string GameLengthText(std::int64_t ticks);
// The whole song's length in the game, as m:ss. Takes the document's guard.
std::string SongLengthText(const CSoundDoc& doc);
