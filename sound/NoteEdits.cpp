// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/NoteEdits.h"

#include "sound/CellTransforms.h"

#include <algorithm>

namespace
{
bool IsSound(const SoundCell& cell, bool bNoise)
{
    return bNoise ? cell.freq != FREQ_EMPTY : cell.note != NOTE_EMPTY;
}

void SetSound(SoundCell& cell, bool bNoise, std::uint8_t value)
{
    if (bNoise)
        cell.freq = value;
    else
        cell.SetNote(value);
}
} // namespace

CNoteEditor::CNoteEditor(const CSoundDoc& doc, std::int32_t newPatternRows)
    : m_doc(doc), m_nNewRows(std::clamp(newPatternRows, 1, CSoundPattern::kMaxRows))
{
}

const CSoundDoc::Placements& CNoteEditor::Placements(int channel) const
{
    if (!m_bPlacementsRead[channel])
    {
        m_placements[channel] = m_doc.GetPlacements(channel);
        m_bPlacementsRead[channel] = true;
    }
    return m_placements[channel];
}

CSoundDoc::Placements& CNoteEditor::Placements(int channel)
{
    std::as_const(*this).Placements(channel);
    return m_placements[channel];
}

std::int32_t CNoteEditor::RowsOf(PatternId id) const
{
    if (IsNewPatternId(id))
        return m_new[id - kFirstNewPatternId].rows;
    const CSoundPattern* pPattern = m_doc.FindPattern(id);
    return pPattern != nullptr ? pPattern->GetRows() : 0;
}

bool CNoteEditor::PatternAt(int channel, std::int32_t pos, Spot& spot) const
{
    const auto& placements = Placements(channel);
    auto it = placements.upper_bound(pos);
    if (it == placements.begin())
        return false;
    const auto next = it;
    --it;
    std::int64_t end = std::int64_t{it->first} + RowsOf(it->second);
    if (next != placements.end())
        end = std::min<std::int64_t>(end, next->first);
    if (pos >= end)
        return false;
    spot = {it->second, it->first, static_cast<std::int32_t>(end)};
    return true;
}

bool CNoteEditor::CellAt(int channel, std::int32_t pos, PatternId& id, std::int32_t& row) const
{
    Spot spot;
    if (!PatternAt(channel, pos, spot))
        return false;
    id = spot.id;
    row = pos - spot.placedAt;
    return true;
}

SoundCell CNoteEditor::Cell(PatternId id, std::int32_t row)
{
    auto it = m_cells.find(id);
    if (it == m_cells.end())
    {
        std::vector<SoundCell> cells =
            IsNewPatternId(id)
                ? std::vector<SoundCell>(static_cast<std::size_t>(RowsOf(id)), SoundCell::Empty())
                : m_doc.GetCells(id, 0, RowsOf(id));
        m_original.emplace(id, cells);
        it = m_cells.emplace(id, std::move(cells)).first;
    }
    return row >= 0 && row < static_cast<std::int32_t>(it->second.size())
               ? it->second[static_cast<std::size_t>(row)]
               : SoundCell::Empty();
}

void CNoteEditor::SetCell(PatternId id, std::int32_t row, const SoundCell& cell)
{
    Cell(id, row);
    auto& cells = m_cells[id];
    if (row >= 0 && row < static_cast<std::int32_t>(cells.size()))
        cells[static_cast<std::size_t>(row)] = cell;
}

CNoteEditor::Spot CNoteEditor::MakePattern(int channel, std::int32_t pos)
{
    const std::int32_t step = std::max(m_doc.GetStepSize(), 1);
    auto& placements = Placements(channel);
    // On the step holding pos, unless that would cut off a pattern still playing there.
    std::int32_t at = pos - pos % step;
    if (auto it = placements.upper_bound(pos); it != placements.begin())
    {
        --it;
        at = std::max<std::int64_t>(at, std::int64_t{it->first} + RowsOf(it->second));
    }
    NewPatternPlan plan;
    plan.id = kFirstNewPatternId + static_cast<PatternId>(m_new.size());
    plan.channel = channel;
    plan.rows = m_nNewRows;
    plan.placeAt = at;
    m_new.push_back(plan);
    placements[at] = plan.id;
    Spot spot;
    PatternAt(channel, pos, spot);
    return spot;
}

void CNoteEditor::Remove(int channel, const NoteBar& bar, const ChannelBars& before)
{
    const bool bNoise = channel == kNoiseChannel;
    PatternId id = 0;
    std::int32_t row = 0;
    if (!CellAt(channel, bar.start, id, row))
        return;
    // A note it cut short would sound on through its time: that one stops here instead.
    const NoteBar* pBefore = bar.start > 0 ? before.At(bar.start - 1) : nullptr;
    const bool bCutOther = pBefore != nullptr && pBefore->end == bar.start;
    SoundCell cell = Cell(id, row);
    SetSound(cell, bNoise,
             bCutOther ? (bNoise ? FREQ_OFF : NOTE_OFF) : (bNoise ? FREQ_EMPTY : NOTE_EMPTY));
    cell.instrument = 0; // it goes with the note
    SetCell(id, row, cell);
    // Its own off has nothing left to stop.
    if (bar.stop == BarStop::Off && CellAt(channel, bar.end, id, row))
    {
        SoundCell off = Cell(id, row);
        SetSound(off, bNoise, bNoise ? FREQ_EMPTY : NOTE_EMPTY);
        SetCell(id, row, off);
    }
}

bool CNoteEditor::PutNote(int channel, std::int32_t pos, const NoteSpec& newNote)
{
    if (!IsChannel(channel) || channel == kNoiseChannel || pos < 0)
        return false;
    Spot spot;
    if (!PatternAt(channel, pos, spot))
        spot = MakePattern(channel, pos);
    const std::int32_t row = pos - spot.placedAt;
    SoundCell cell = Cell(spot.id, row);
    cell.SetNote(newNote.note);
    cell.instrument = newNote.instrument;
    if (newNote.atten != ATTEN_EMPTY)
        cell.atten = newNote.atten;
    SetCell(spot.id, row, cell);
    return true;
}

std::int32_t CNoteEditor::Add(int channel, std::int32_t pos, std::int32_t length,
                              const NoteSpec& newNote, const ChannelBars& before)
{
    if (!IsChannel(channel) || pos < 0 || length <= 0)
        return 0;
    Spot spot;
    if (!PatternAt(channel, pos, spot))
        spot = MakePattern(channel, pos);
    const std::int64_t wanted = std::int64_t{pos} + length;
    const std::int32_t end =
        static_cast<std::int32_t>(std::min<std::int64_t>(wanted, spot.playEnd));
    if (end < wanted)
        m_bClipped = true;
    WriteNote(channel, pos, end, newNote, before);
    return end - pos;
}

void CNoteEditor::AddHeld(int channel, std::int32_t pos, std::int32_t length,
                          const NoteSpec& newNote, const ChannelBars& before)
{
    if (!IsChannel(channel) || pos < 0 || length <= 0)
        return;
    const std::int32_t end = pos + length;
    Spot spot;
    for (std::int32_t p = pos; p < end; p = std::max(spot.playEnd, p + 1))
        if (!PatternAt(channel, p, spot))
            spot = MakePattern(channel, p);
    WriteNote(channel, pos, end, newNote, before);
}

void CNoteEditor::WriteNote(int channel, std::int32_t pos, std::int32_t end,
                            const NoteSpec& newNote, const ChannelBars& before)
{
    const bool bNoise = channel == kNoiseChannel;
    PatternId id = 0;
    std::int32_t row = 0;
    CellAt(channel, pos, id, row);
    SoundCell cell = Cell(id, row);
    SetSound(cell, bNoise, newNote.note);
    cell.instrument = newNote.instrument;
    if (bNoise)
        cell.noiseType = newNote.noiseType;
    else
        cell.divisor = newNote.divisor;
    const bool bOwnAtten = newNote.atten != ATTEN_EMPTY;
    if (bOwnAtten)
        cell.atten = newNote.atten;
    SetCell(id, row, cell);
    // What it covers no longer starts or stops; an empty first row of the next placement
    // carries it on.
    for (std::int32_t p = pos + 1; p < end; ++p)
    {
        if (!CellAt(channel, p, id, row))
            continue;
        SoundCell covered = Cell(id, row);
        if (IsSound(covered, bNoise))
        {
            SetSound(covered, bNoise, bNoise ? FREQ_EMPTY : NOTE_EMPTY);
            SetCell(id, row, covered);
        }
    }
    // It stops at its end, inside its pattern or at the row that follows the pattern's
    // playing end (a next placement would carry it on through an empty first row).
    if (CellAt(channel, end, id, row))
    {
        SoundCell stop = Cell(id, row);
        if (!IsSound(stop, bNoise))
            SetSound(stop, bNoise, bNoise ? FREQ_OFF : NOTE_OFF);
        // The notes after it keep the attenuation they had.
        if (bOwnAtten && stop.atten == ATTEN_EMPTY && before.AttenuationAt(end) != newNote.atten)
            stop.atten = before.AttenuationAt(end);
        SetCell(id, row, stop);
    }
}

void CNoteEditor::Transpose(int channel, const NoteBar& bar, int nSemitones)
{
    PatternId id = 0;
    std::int32_t row = 0;
    if (channel == kNoiseChannel || !CellAt(channel, bar.start, id, row))
        return;
    SetCell(id, row, TransposeCell(Cell(id, row), nSemitones, false));
}

void CNoteEditor::NudgeAttenuation(int channel, const NoteBar& bar, int nDelta,
                                   const ChannelBars& before)
{
    PatternId id = 0;
    std::int32_t row = 0;
    if (!CellAt(channel, bar.start, id, row))
        return;
    SoundCell cell = Cell(id, row);
    if (cell.atten == ATTEN_EMPTY)
        cell.atten = bar.atten;
    SetCell(id, row, ::NudgeAttenuation(cell, nDelta));
    // The next change of attenuation, or the next note, keeps what it had.
    PatternId nextId = 0;
    std::int32_t nextRow = 0;
    const auto [first, last] = before.Overlapping(bar.end, INT32_MAX);
    if (first < last && CellAt(channel, before.bars[first].start, nextId, nextRow))
    {
        SoundCell next = Cell(nextId, nextRow);
        if (next.atten == ATTEN_EMPTY)
        {
            next.atten = before.bars[first].atten;
            SetCell(nextId, nextRow, next);
        }
    }
}

NoteEdit CNoteEditor::Finish() const
{
    NoteEdit edit;
    edit.newPatterns = m_new;
    edit.bClipped = m_bClipped;
    for (const auto& [id, cells] : m_cells)
    {
        const std::vector<SoundCell>& original = m_original.at(id);
        std::size_t first = 0;
        while (first < cells.size() && cells[first] == original[first])
            ++first;
        if (first == cells.size())
            continue;
        std::size_t last = cells.size();
        while (cells[last - 1] == original[last - 1])
            --last;
        edit.writes.push_back({id, static_cast<std::int32_t>(first),
                               std::vector<SoundCell>(cells.begin() + static_cast<long>(first),
                                                      cells.begin() + static_cast<long>(last))});
    }
    return edit;
}
