// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/GameTempo.h"

#include "sound/AgiTone.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

CGameTempo::CGameTempo(std::int32_t tracksPerBeat, std::int32_t beatsPerMinute)
    : m_nTicksPerRow(AgiTicksPerRow(tracksPerBeat, beatsPerMinute)),
      m_nTracksPerBeat(std::max(tracksPerBeat, 1)), m_bTooFast(m_nTicksPerRow < 1)
{
    m_nTicksPerRow = std::max<std::int64_t>(m_nTicksPerRow, 1);
}

CGameTempo::CGameTempo(const CSoundDoc& doc)
    : CGameTempo(doc.GetTracksPerBeat(), doc.GetBeatsPerMinute())
{
}

double CGameTempo::BeatsPerMinute() const
{
    return 60.0 * kGameTicksPerSecond / static_cast<double>(m_nTicksPerRow * m_nTracksPerBeat);
}

std::string CGameTempo::Describe(std::int64_t playRangeRows) const
{
    if (m_bTooFast)
        return "Less than one tick a row: too fast for the game";
    const double bpm = BeatsPerMinute();
    char beats[32];
    // Whole tempos as they are typed; the others to a tenth (4 rows at 100 play 81.8).
    if (std::abs(bpm - std::round(bpm)) < 0.05)
        std::snprintf(beats, sizeof beats, "%.0f", bpm);
    else
        std::snprintf(beats, sizeof beats, "%.1f", bpm);
    return std::to_string(m_nTicksPerRow) + (m_nTicksPerRow == 1 ? " tick" : " ticks") +
           " a row: " + beats + " BPM in the game, " + GameLengthText(TicksOf(playRangeRows)) +
           " for the play range";
}

std::int64_t RowsOf(const PlayRange& range)
{
    return std::max<std::int64_t>(0, std::int64_t{range.end} - range.start);
}

std::int32_t NextPassRow(const PlayRange& range, std::int32_t pos)
{
    const bool bLast = std::int64_t{pos} >= std::int64_t{range.end} - 1;
    return bLast || pos < range.start ? range.start : pos + 1;
}

std::string GameLengthText(std::int64_t ticks)
{
    const std::int64_t seconds = (std::max<std::int64_t>(ticks, 0) + kGameTicksPerSecond / 2) /
                                 kGameTicksPerSecond;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02d", static_cast<long long>(seconds / 60),
                  static_cast<int>(seconds % 60));
    return text;
}

std::string SongLengthText(const CSoundDoc& doc)
{
    std::lock_guard lock(doc.Guard());
    return GameLengthText(CGameTempo(doc).TicksOf(doc.GetWholeSongEnd()));
}
