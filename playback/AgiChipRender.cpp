// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/AgiChipRender.h"

#include <algorithm>
#include <vector>

CAgiChipRender::CAgiChipRender(const std::uint8_t* pData, std::size_t size, SynthKind kind,
                               FadeKind fade)
    : m_engine(pData, size, kind == SynthKind::Speaker ? FadeKind::None : fade),
      m_pChip(MakeChipModel(kind)), m_totalSamples(m_engine.GetTotalTicks() * kSamplesPerTick)
{
}

CAgiChipRender::CAgiChipRender(const AgiVoiceRecords& records, SynthKind kind, FadeKind fade)
    : m_engine(records, kind == SynthKind::Speaker ? FadeKind::None : fade),
      m_pChip(MakeChipModel(kind)), m_totalSamples(m_engine.GetTotalTicks() * kSamplesPerTick)
{
}

std::size_t CAgiChipRender::Read(std::int16_t* pOut, std::size_t n)
{
    std::size_t done = 0;
    while (done < n && m_position < m_totalSamples)
    {
        if (m_position % kSamplesPerTick == 0 && m_engine.GetTick() * kSamplesPerTick == m_position)
            m_engine.StartTick(m_mute);
        const std::uint64_t end = std::min(
            {m_engine.NextWriteTick() * kSamplesPerTick, m_totalSamples, m_position + (n - done)});
        const auto count = static_cast<std::size_t>(end - m_position);
        m_pChip->Render(pOut + done, count);
        done += count;
        m_position = end;
        // Ticks with nothing to write pass without a call.
        if (m_position % kSamplesPerTick == 0)
            m_engine.SkipTo(m_position / kSamplesPerTick, m_mute);
    }
    return done;
}

void CAgiChipRender::SeekTick(std::uint64_t tick)
{
    const std::uint64_t target = std::min(tick, m_engine.GetTotalTicks());
    m_engine.SkipTo(target, m_mute);
    m_position = target * kSamplesPerTick;
}

std::uint64_t CAgiChipRender::RenderAll(const std::uint8_t* pData, std::size_t size, SynthKind kind,
                                        FadeKind fade, const Sink& sink, unsigned muteMask)
{
    CAgiChipRender render(pData, size, kind, fade);
    render.SetMuteMask(muteMask);
    std::vector<std::int16_t> block(
        static_cast<std::size_t>(std::min<std::uint64_t>(render.GetTotalSamples(), kMaxBlock)));
    while (std::size_t n = render.Read(block.data(), block.size()))
        sink(block.data(), n);
    return render.GetTotalSamples();
}
