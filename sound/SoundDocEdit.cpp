// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundDoc.h"

#include <algorithm>
#include <utility>

void CSoundDoc::NotifyEdit()
{
    SetModifiedFlag();
    UpdateAllViews(nullptr);
}

template <typename Edit> bool CSoundDoc::EditPattern(PatternId id, Edit edit)
{
    CSoundPattern* pPattern;
    {
        std::lock_guard lock(m_guard);
        pPattern = FindPattern(id);
        if (pPattern == nullptr || !edit(*pPattern))
            return false;
    }
    NotifyEdit();
    return true;
}

CSoundPattern* CSoundDoc::FindPattern(PatternId id)
{
    // The document owns its patterns as changeable ones.
    return const_cast<CSoundPattern*>(std::as_const(*this).FindPattern(id));
}

const CSoundPattern* CSoundDoc::FindPattern(PatternId id) const
{
    if (id == 0)
        return nullptr;
    std::lock_guard lock(m_guard);
    return m_index.Find(id);
}

std::vector<SoundCell> CSoundDoc::GetCells(PatternId id, std::int32_t row, std::int32_t count) const
{
    std::lock_guard lock(m_guard);
    std::vector<SoundCell> cells;
    const CSoundPattern* pPattern = FindPattern(id);
    if (pPattern == nullptr)
        return cells;
    const std::int32_t first = std::max(row, 0);
    const std::int32_t last =
        std::min<std::int64_t>(std::int64_t{row} + count, pPattern->GetRows());
    for (std::int32_t r = first; r < last; ++r)
        cells.push_back(pPattern->GetCell(r));
    return cells;
}

bool CSoundDoc::SetCells(PatternId id, std::int32_t row, const std::vector<SoundCell>& cells)
{
    return EditPattern(id,
                       [&](CSoundPattern& pattern)
                       {
                           if (!pattern.IsRowInside(row))
                               return false;
                           const std::int64_t count =
                               std::min<std::int64_t>(static_cast<std::int64_t>(cells.size()),
                                                      std::int64_t{pattern.GetRows()} - row);
                           for (std::int64_t i = 0; i < count; ++i)
                               pattern.SetCell(row + static_cast<std::int32_t>(i),
                                               cells[static_cast<std::size_t>(i)]);
                           return true;
                       });
}

bool CSoundDoc::InsertRows(PatternId id, std::int32_t row, std::int32_t count)
{
    return EditPattern(id,
                       [&](CSoundPattern& pattern)
                       {
                           if (!pattern.IsRowInside(row) || count <= 0)
                               return false;
                           for (std::int32_t r = pattern.GetRows() - 1; r >= row; --r)
                               pattern.SetCell(r, r - count >= row ? pattern.GetCell(r - count)
                                                                   : SoundCell::Empty());
                           return true;
                       });
}

bool CSoundDoc::DeleteRows(PatternId id, std::int32_t row, std::int32_t count)
{
    return EditPattern(id,
                       [&](CSoundPattern& pattern)
                       {
                           if (!pattern.IsRowInside(row) || count <= 0)
                               return false;
                           const std::int32_t rows = pattern.GetRows();
                           for (std::int32_t r = row; r < rows; ++r)
                               pattern.SetCell(r, std::int64_t{r} + count < rows
                                                      ? pattern.GetCell(r + count)
                                                      : SoundCell::Empty());
                           return true;
                       });
}

PatternId CSoundDoc::NewPattern(int channel, std::int32_t rows, const std::string& name)
{
    const CSoundPattern* pPattern =
        CreatePattern(channel, std::clamp(rows, 0, CSoundPattern::kMaxRows), name.c_str());
    if (pPattern == nullptr)
        return 0;
    NotifyEdit();
    return pPattern->GetId();
}

PatternId CSoundDoc::DuplicatePattern(PatternId source)
{
    const CSoundPattern* pCopy;
    {
        std::lock_guard lock(m_guard);
        const CSoundPattern* pSource = FindPattern(source);
        pCopy = CopyPattern(FindPatternChannel(pSource), pSource);
    }
    if (pCopy == nullptr)
        return 0;
    NotifyEdit();
    return pCopy->GetId();
}

PatternId CSoundDoc::InsertPattern(int channel, std::unique_ptr<CSoundPattern> pPattern)
{
    const CSoundPattern* pAdded = AddPattern(channel, std::move(pPattern));
    if (pAdded == nullptr)
        return 0;
    NotifyEdit();
    return pAdded->GetId();
}

RemovedPattern CSoundDoc::RemovePattern(PatternId id)
{
    RemovedPattern removed;
    {
        std::lock_guard lock(m_guard);
        CSoundPattern* pPattern = FindPattern(id);
        if (pPattern == nullptr)
            return removed;
        removed.channel = FindPatternChannel(pPattern);
        PatternList& list = m_patterns[removed.channel];
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const auto& p) { return p.get() == pPattern; });
        removed.index = static_cast<std::size_t>(it - list.begin());
        m_sequence[removed.channel].EraseIf(
            [&](const Sequence::value_type& entry)
            {
                if (entry.second != pPattern)
                    return false;
                removed.placements.push_back(entry.first);
                return true;
            });
        m_index.Remove(pPattern);
        removed.pattern = std::move(*it);
        list.erase(it);
    }
    NotifyEdit();
    return removed;
}

void CSoundDoc::RestorePattern(RemovedPattern& removed)
{
    if (removed.pattern == nullptr || !IsChannel(removed.channel))
        return;
    {
        std::lock_guard lock(m_guard);
        PatternList& list = m_patterns[removed.channel];
        CSoundPattern* pPattern = removed.pattern.get();
        const std::size_t index = std::min(removed.index, list.size());
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), std::move(removed.pattern));
        m_index.Add(removed.channel, pPattern);
        std::vector<Sequence::value_type> placed;
        for (const std::int32_t songPos : removed.placements)
            placed.emplace_back(songPos, pPattern);
        std::sort(placed.begin(), placed.end());
        m_sequence[removed.channel].Merge(placed);
    }
    NotifyEdit();
}

bool CSoundDoc::RenamePattern(PatternId id, const std::string& name)
{
    return EditPattern(id,
                       [&](CSoundPattern& pattern)
                       {
                           pattern.SetName(name);
                           return true;
                       });
}

bool CSoundDoc::ResizePattern(PatternId id, std::int32_t rows)
{
    return EditPattern(id,
                       [&](CSoundPattern& pattern)
                       {
                           pattern.SetRows(std::clamp(rows, 0, CSoundPattern::kMaxRows));
                           return true;
                       });
}

std::int32_t CSoundDoc::GetNextPatternNumber(int channel) const
{
    std::lock_guard lock(m_guard);
    return IsChannel(channel) ? m_nNextPattern[channel] : 0;
}

void CSoundDoc::SetNextPatternNumber(int channel, std::int32_t number)
{
    if (!IsChannel(channel))
        return;
    std::lock_guard lock(m_guard);
    m_nNextPattern[channel] = number;
}

PatternId CSoundDoc::GetPlacement(const SequencePos& pos) const
{
    std::lock_guard lock(m_guard);
    const CSoundPattern* pPattern = GetPatternAt(pos);
    return pPattern != nullptr ? pPattern->GetId() : 0;
}

bool CSoundDoc::SetPlacement(const SequencePos& pos, PatternId id)
{
    {
        std::lock_guard lock(m_guard);
        CSoundPattern* pPattern = FindPattern(id);
        if (!IsChannel(pos.channel) || (id != 0 && !HoldsPattern(pos.channel, pPattern)))
            return false;
        SetPatternAt(&pos, pPattern);
    }
    NotifyEdit();
    return true;
}

bool CSoundDoc::InsertStep(int channel, std::int32_t step)
{
    if (!InsertSequenceStep(channel, StepToSongPos(step)))
        return false;
    NotifyEdit();
    return true;
}

bool CSoundDoc::DeleteStep(int channel, std::int32_t step)
{
    if (!DeleteSequenceStep(channel, StepToSongPos(step)))
        return false;
    NotifyEdit();
    return true;
}

CSoundDoc::Placements CSoundDoc::GetPlacements(int channel) const
{
    Placements placements;
    if (!IsChannel(channel))
        return placements;
    std::lock_guard lock(m_guard);
    for (const auto& [songPos, pPattern] : m_sequence[channel])
        placements.emplace(songPos, pPattern->GetId());
    return placements;
}

void CSoundDoc::SetPlacements(int channel, const Placements& placements)
{
    if (!IsChannel(channel))
        return;
    {
        std::lock_guard lock(m_guard);
        Sequence seq;
        for (const auto& [songPos, id] : placements)
            if (CSoundPattern* pPattern = FindPattern(id); HoldsPattern(channel, pPattern))
                seq.emplace(songPos, pPattern);
        m_sequence[channel] = std::move(seq);
    }
    NotifyEdit();
}

CSoundPattern* CSoundDoc::PlacePattern(int channel, std::int32_t songPos, CSoundPattern* pPattern)
{
    std::lock_guard lock(m_guard);
    if (!IsChannel(channel) || !HoldsPattern(channel, pPattern))
        return nullptr;
    // Importers place in song order, which appends.
    m_sequence[channel].insert_or_assign(songPos, pPattern);
    return pPattern;
}

void CSoundDoc::AssignProperties(const SoundProperties& props)
{
    std::lock_guard lock(m_guard);
    m_nBeatsPerMinute = props.beatsPerMinute;
    m_nStepSize = props.stepSize;
    m_nTracksPerBeat = props.tracksPerBeat;
}

void CSoundDoc::AssignPlayRange(const PlayRange& range)
{
    std::lock_guard lock(m_guard);
    m_nRangeStart = range.start;
    m_nRangeEnd = range.end;
}

SoundProperties CSoundDoc::GetProperties() const
{
    std::lock_guard lock(m_guard);
    return {m_nBeatsPerMinute, m_nStepSize, m_nTracksPerBeat};
}

void CSoundDoc::SetProperties(const SoundProperties& props)
{
    AssignProperties(props);
    NotifyEdit();
}

PlayRange CSoundDoc::GetPlayRange() const
{
    std::lock_guard lock(m_guard);
    return {m_nRangeStart, m_nRangeEnd};
}

void CSoundDoc::SetPlayRange(const PlayRange& range)
{
    {
        std::lock_guard lock(m_guard);
        m_nRangeStart = range.start;
        m_nRangeEnd = range.end;
    }
    NotifyEdit();
}

void CSoundDoc::SwapContents(Contents& contents)
{
    {
        std::lock_guard lock(m_guard);
        const SoundProperties props = GetProperties();
        const PlayRange range = GetPlayRange();
        AssignProperties(contents.properties);
        AssignPlayRange(contents.range);
        contents.properties = props;
        contents.range = range;
        std::swap(m_nNextPattern, contents.nextPattern);
        std::swap(m_patterns, contents.patterns);
        std::swap(m_sequence, contents.sequences);
        std::swap(m_instruments, contents.instruments);
        ReindexPatterns();
    }
    NotifyEdit();
}

const CInstrument* CSoundDoc::FindInstrument(int number) const
{
    std::lock_guard lock(m_guard);
    const auto it = std::find_if(m_instruments.begin(), m_instruments.end(),
                                 [&](const CInstrument& i) { return i.GetNumber() == number; });
    return it != m_instruments.end() ? &*it : nullptr;
}

bool CSoundDoc::InstrumentsAreValid(const std::vector<CInstrument>& instruments)
{
    if (instruments.size() > static_cast<std::size_t>(kMaxInstruments))
        return false;
    std::array<bool, kMaxInstruments + 1> taken{};
    for (const CInstrument& instrument : instruments)
    {
        if (!instrument.Problem().empty() || taken[instrument.GetNumber()])
            return false;
        taken[instrument.GetNumber()] = true;
    }
    return true;
}

bool CSoundDoc::SetInstruments(std::vector<CInstrument> instruments)
{
    if (!InstrumentsAreValid(instruments))
        return false;
    AssignInstruments(std::move(instruments));
    NotifyEdit();
    return true;
}

void CSoundDoc::AssignInstruments(std::vector<CInstrument> instruments)
{
    std::lock_guard lock(m_guard);
    m_instruments = std::move(instruments);
}
