// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ChannelWalk.h"

#include <algorithm>

void CChannelWalk::Step::MergeInto(SoundCell& working) const
{
    switch (kind)
    {
    case Kind::NoPattern:
        working.note = NOTE_EMPTY;
        working.freq = FREQ_EMPTY;
        working.divisor = kNoDivisor;
        break;
    case Kind::PatternEnded:
        working.note = NOTE_OFF;
        working.freq = FREQ_OFF;
        working.divisor = kNoDivisor;
        break;
    case Kind::PatternRow:
        working = cell;
        break;
    }
}

CChannelWalk::CChannelWalk(const CSoundDoc& doc, int channel, const PlayRange& range)
    : m_pSequence(channel >= 0 && channel < kChannelCount ? &doc.GetSequence(channel) : nullptr),
      m_nFirst(range.start), m_nNext(range.start), m_nLast(range.end)
{
}

bool CChannelWalk::Next(Step& step)
{
    if (m_nNext > m_nLast)
        return false;
    step = At(static_cast<std::int32_t>(m_nNext++));
    return true;
}

bool CChannelWalk::NextRun(Step& step)
{
    if (!Next(step))
        return false;
    if (step.kind != Kind::NoPattern || step.pos == m_nFirst)
        return true;
    // Nothing plays until the next placement starts a pattern.
    std::int64_t end = m_nLast;
    if (m_pSequence != nullptr)
        if (const auto it = m_pSequence->upper_bound(step.pos); it != m_pSequence->end())
            end = std::min<std::int64_t>(end, it->first);
    if (end > m_nNext)
    {
        step.nCount = end - step.pos;
        m_nNext = end;
    }
    return true;
}

CChannelWalk::Step CChannelWalk::At(std::int32_t pos)
{
    Step step;
    step.pos = pos;
    if (m_pSequence != nullptr)
    {
        const auto it = m_pSequence->find(pos);
        if (it != m_pSequence->end())
        {
            m_pPattern = it->second;
            m_nPatternStart = pos;
        }
    }
    if (m_pPattern == nullptr)
        return step;
    // Unsigned, so a position before the start and a pattern of 0 rows both count as ended.
    const auto offset =
        static_cast<std::uint32_t>(pos) - static_cast<std::uint32_t>(m_nPatternStart);
    const auto rows = m_pPattern->GetRows();
    if (rows <= 0 || offset > static_cast<std::uint32_t>(rows - 1))
    {
        m_pPattern = nullptr;
        step.kind = Kind::PatternEnded;
        return step;
    }
    step.kind = Kind::PatternRow;
    step.pPattern = m_pPattern;
    step.row = static_cast<std::int32_t>(offset);
    step.cell = m_pPattern->GetCell(step.row);
    return step;
}
