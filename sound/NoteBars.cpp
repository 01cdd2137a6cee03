// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/NoteBars.h"

#include "sound/ChannelWalk.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace
{
constexpr double kToneClockHz = 111860.0;

class CBarCollector
{
public:
    CBarCollector(const CSoundDoc& doc, int channel, ChannelBars& out)
        : m_sequence(doc.GetSequence(channel)), m_bNoise(channel == kNoiseChannel), m_out(out)
    {
    }

    void OnStep(const CChannelWalk::Step& step)
    {
        if (step.kind == CChannelWalk::Kind::PatternEnded)
            Close(step.pos, BarStop::PatternEnd);
        if (step.kind != CChannelWalk::Kind::PatternRow)
            return;
        const SoundCell& cell = step.cell;
        if (cell.atten != ATTEN_EMPTY && cell.atten != m_atten)
        {
            m_atten = cell.atten;
            m_out.attenuations.emplace_back(step.pos, m_atten);
        }
        const std::uint8_t sound = m_bNoise ? cell.freq : cell.note;
        if (sound == (m_bNoise ? FREQ_EMPTY : NOTE_EMPTY))
            return;
        const bool bStarts = m_bNoise ? sound <= 3 : sound <= kMaxNote;
        Close(step.pos, bStarts ? BarStop::NextNote : BarStop::Off);
        if (bStarts)
            Open(step, sound);
    }

    void Close(std::int32_t pos, BarStop stop)
    {
        if (!m_open)
            return;
        m_open->end = pos;
        m_open->stop = stop;
        if (m_open->end > m_open->start)
            m_out.bars.push_back(*m_open);
        m_open.reset();
    }

private:
    void Open(const CChannelWalk::Step& step, std::uint8_t sound)
    {
        NoteBar bar;
        bar.start = step.pos;
        bar.note = sound;
        bar.atten = m_atten;
        bar.pattern = step.pPattern->GetId();
        bar.row = step.row;
        bar.placedAt = step.pos - step.row;
        std::int64_t end = std::int64_t{bar.placedAt} + step.pPattern->GetRows();
        if (const auto it = m_sequence.upper_bound(bar.placedAt); it != m_sequence.end())
            end = std::min<std::int64_t>(end, it->first);
        bar.patternEnd = static_cast<std::int32_t>(std::min<std::int64_t>(end, INT32_MAX));
        if (m_bNoise)
        {
            bar.noiseType = step.cell.noiseType;
            bar.pitch = bar.note;
        }
        else
        {
            bar.divisor = step.cell.HasExactNote() ? step.cell.divisor : kNoDivisor;
            bar.pitch = bar.divisor != kNoDivisor ? PitchOfDivisor(bar.divisor) : bar.note;
        }
        m_open = bar;
    }

    const CSoundDoc::Sequence& m_sequence;
    bool m_bNoise;
    ChannelBars& m_out;
    std::uint8_t m_atten = 0;
    std::optional<NoteBar> m_open;
};
} // namespace

double PitchOfDivisor(int divisor)
{
    const double hz = kToneClockHz / (divisor == 0 ? 1024.0 : divisor);
    return 69.0 + 12.0 * std::log2(hz / 440.0);
}

ChannelBars BuildChannelBars(const CSoundDoc& doc, int channel, const PlayRange& range,
                             std::int32_t cutAt)
{
    ChannelBars out;
    out.channel = channel;
    if (!IsChannel(channel))
        return out;
    CBarCollector collector(doc, channel, out);
    CChannelWalk walk(doc, channel, range);
    CChannelWalk::Step step;
    bool bCut = false;
    while (walk.NextRun(step))
    {
        // The range's last position is an off: what plays stops before it.
        if (step.pos >= range.end)
        {
            collector.Close(step.pos, BarStop::RangeEnd);
            break;
        }
        if (!bCut && step.pos >= cutAt)
        {
            collector.Close(cutAt, BarStop::RangeEnd);
            bCut = true;
        }
        collector.OnStep(step);
    }
    collector.Close(range.end, BarStop::RangeEnd);
    return out;
}

std::pair<std::size_t, std::size_t> ChannelBars::Overlapping(std::int32_t from,
                                                             std::int32_t to) const
{
    const auto first = std::partition_point(bars.begin(), bars.end(),
                                            [from](const NoteBar& bar) { return bar.end <= from; });
    const auto last = std::partition_point(first, bars.end(),
                                           [to](const NoteBar& bar) { return bar.start < to; });
    return {static_cast<std::size_t>(first - bars.begin()),
            static_cast<std::size_t>(last - bars.begin())};
}

std::uint8_t ChannelBars::AttenuationAt(std::int32_t pos) const
{
    const auto it = std::partition_point(attenuations.begin(), attenuations.end(),
                                         [pos](const auto& change) { return change.first <= pos; });
    return it == attenuations.begin() ? 0 : std::prev(it)->second;
}

const NoteBar* ChannelBars::At(std::int32_t pos) const
{
    const auto [first, last] = Overlapping(pos, pos + 1);
    return first < last ? &bars[first] : nullptr;
}
