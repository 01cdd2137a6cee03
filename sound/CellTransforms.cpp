// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/CellTransforms.h"

#include "sound/AgiTone.h"

#include <algorithm>

namespace
{
constexpr int kLoudest = 0;
constexpr int kQuietest = 14;
} // namespace

SoundCell TransposeCell(SoundCell cell, int nSemitones, bool bNoise)
{
    if (bNoise || cell.note > kMaxNote)
        return cell;
    const int nNote = std::clamp(cell.note + nSemitones, 0, kMaxNote);
    if (cell.HasDivisor() && nNote != cell.note)
        cell.divisor =
            static_cast<std::uint16_t>(AgiTransposeDivisor(cell.divisor, nNote - cell.note, nNote));
    cell.note = static_cast<std::uint8_t>(nNote);
    return cell;
}

SoundCell NudgeAttenuation(SoundCell cell, int nDelta)
{
    if (cell.atten < kAgiSilentAttenuation)
        cell.atten =
            static_cast<std::uint8_t>(std::clamp(cell.atten + nDelta, kLoudest, kQuietest));
    return cell;
}

std::vector<SoundCell> TransposeCells(std::vector<SoundCell> cells, int nSemitones, bool bNoise)
{
    for (SoundCell& cell : cells)
        cell = TransposeCell(cell, nSemitones, bNoise);
    return cells;
}

std::vector<SoundCell> NudgeAttenuation(std::vector<SoundCell> cells, int nDelta, bool bNoise,
                                        int nHeldAtten)
{
    for (SoundCell& cell : cells)
    {
        const bool bSounds = bNoise ? cell.freq < FREQ_OFF : cell.note <= kMaxNote;
        if (cell.atten != ATTEN_EMPTY)
            nHeldAtten = cell.atten;
        else if (bSounds)
            cell.atten = static_cast<std::uint8_t>(nHeldAtten);
        cell = NudgeAttenuation(cell, nDelta);
    }
    return cells;
}

int HeldAttenuation(const std::vector<SoundCell>& cells, int nHeldAtten)
{
    for (const SoundCell& cell : cells)
        if (cell.atten != ATTEN_EMPTY)
            nHeldAtten = cell.atten;
    return nHeldAtten;
}
