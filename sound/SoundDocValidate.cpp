// SPDX-License-Identifier: GPL-3.0-or-later
// The document's own consistency check.
#include "sound/SoundDoc.h"

#include <set>

namespace
{
bool InRange(std::int32_t value, std::int32_t low, std::int32_t high)
{
    return value >= low && value <= high;
}

// What any cell can hold: an exact divisor within the chip's ten bits, a noise type of two.
bool CellsHoldWhatCellsCan(const CSoundPattern& pattern)
{
    for (std::int32_t row = 0; row < pattern.GetRows(); ++row)
    {
        const SoundCell cell = pattern.GetCell(row);
        if ((cell.divisor != kNoDivisor && !cell.HasDivisor()) || cell.noiseType > NOISE_WHITE)
            return false;
    }
    return true;
}

// Every instrument a cell names is one the sound holds.
bool CellsNameHeldInstruments(const CSoundDoc& doc, const CSoundPattern& pattern)
{
    for (std::int32_t row = 0; row < pattern.GetRows(); ++row)
    {
        const int number = pattern.GetCell(row).instrument;
        if (number != kNoInstrument && doc.FindInstrument(number) == nullptr)
            return false;
    }
    return true;
}

std::string PatternText(int channel, const CSoundPattern& pattern)
{
    return std::string(g_channelNames[channel]) + " pattern " + pattern.GetName();
}
} // namespace

Status CSoundDoc::Validate() const
{
    std::lock_guard lock(m_guard);
    // The reader's and the dialogs' ranges: 0 would divide by zero in the views and exports.
    if (!InRange(m_nBeatsPerMinute, 1, 256) || !InRange(m_nTracksPerBeat, 1, 256) ||
        !InRange(m_nStepSize, 1, 1024))
        return Failure{"a tempo or step size out of range"};
    if (!InstrumentsAreValid(m_instruments))
        return Failure{"an instrument out of range or numbered twice"};
    std::set<PatternId> ids;
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        for (const auto& pPattern : m_patterns[channel])
        {
            if (pPattern == nullptr)
                return Failure{std::string(g_channelNames[channel]) + " lists no pattern"};
            const PatternId id = pPattern->GetId();
            if (id == 0 || id > m_nLastPatternId || !ids.insert(id).second)
                return Failure{PatternText(channel, *pPattern) + " has an id another may take"};
            if (!InRange(pPattern->GetRows(), 0, CSoundPattern::kMaxRows) ||
                !pPattern->HoldsItsRows())
                return Failure{PatternText(channel, *pPattern) + " has no cell for every row"};
            if (!CellsHoldWhatCellsCan(*pPattern))
                return Failure{PatternText(channel, *pPattern) + " holds a cell out of range"};
            if (!CellsNameHeldInstruments(*this, *pPattern))
                return Failure{PatternText(channel, *pPattern) + " names an instrument it lacks"};
        }
        for (const auto& [pos, pPlaced] : m_sequence[channel])
            if (!HoldsPattern(channel, pPlaced))
                return Failure{std::string(g_channelNames[channel]) + " places a pattern it lacks at " +
                               std::to_string(pos)};
    }
    return Success();
}
