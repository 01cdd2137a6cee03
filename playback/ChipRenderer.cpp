// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/ChipRenderer.h"

#include "playback/ChipSynth.h"
#include "playback/InstrumentPreview.h"
#include "sound/AgiResource.h"
#include "sound/AgiTone.h"
#include "sound/GameTempo.h"
#include "sound/SoundDoc.h"

#include <algorithm>

namespace
{
std::int64_t PassRows(const PlayRange& range)
{
    return std::max<std::int64_t>(1, std::int64_t{range.end} - range.start);
}
} // namespace

auto CChipRenderer::BuildPass(const CSoundDoc& doc, const PlayRange& range) const -> Pass
{
    Pass pass;
    pass.nTicksPerRow = CGameTempo(doc).TicksPerRow();
    pass.nTicks = PassRows(range) * pass.nTicksPerRow;
    pass.pRender = std::make_unique<CAgiChipRender>(BuildAgiRecords(doc, range), m_kind, m_fade);
    pass.pRender->SetMuteMask(m_muteMask);
    pass.pRender->SetVoiceSink(m_pVoiceSink);
    return pass;
}

Status CChipRenderer::Begin(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos)
{
    m_pass = BuildPass(doc, range);
    m_bNextReady = false;
    const bool bInPass = pos >= range.start && pos < range.end;
    m_startRow = bInPass ? pos : range.start;
    m_tick = (std::int64_t{m_startRow} - range.start) * m_pass.nTicksPerRow;
    m_pass.pRender->SeekTick(static_cast<std::uint64_t>(m_tick));
    return Success();
}

bool CChipRenderer::RenderSlot(std::int16_t* pOut)
{
    if (m_tick >= m_pass.nTicks && m_bNextReady)
    {
        m_pass = std::move(m_next);
        m_bNextReady = false;
        m_tick = 0;
    }
    std::size_t n = 0;
    if (m_pass.pRender != nullptr)
        n = m_pass.pRender->Read(pOut, CChipSynth::kSamplesPerTick);
    std::fill(pOut + n, pOut + CChipSynth::kSamplesPerTick, std::int16_t{0});
    // A pass that ends within the tick.
    if (m_pVoiceSink != nullptr && n < CChipSynth::kSamplesPerTick)
        m_pVoiceSink->WriteVoices({}, CChipSynth::kSamplesPerTick - n);
    ++m_tick;
    return m_tick % m_pass.nTicksPerRow == 0;
}

void CChipRenderer::Advance(const CSoundDoc& doc, const PlayRange& range)
{
    if (m_tick < m_pass.nTicks || m_bNextReady)
        return;
    m_next = BuildPass(doc, range);
    m_bNextReady = true;
}

void CChipRenderer::End()
{
    m_pass = {};
    m_next = {};
    m_bNextReady = false;
}

void CChipRenderer::SetMuteMask(unsigned muteMask)
{
    m_muteMask = muteMask;
    for (Pass* pPass : {&m_pass, &m_next})
        if (pPass->pRender != nullptr)
            pPass->pRender->SetMuteMask(muteMask);
}

void CChipRenderer::SetVoiceSink(IVoiceSink* pSink)
{
    m_pVoiceSink = pSink;
    for (Pass* pPass : {&m_pass, &m_next})
        if (pPass->pRender != nullptr)
            pPass->pRender->SetVoiceSink(pSink);
}

bool CChipRenderer::RenderPreview(int note, std::int16_t* pOut)
{
    if (note < 0 || note >= NOTE_OFF)
        return false;
    // The note as a record of its own: the fade runs its ticks as in the game.
    const std::unique_ptr<IChipModel> pChip = MakeChipModel(m_kind);
    const FadeKind fade = m_kind == SynthKind::Speaker ? FadeKind::None : m_fade;
    pChip->SetDivisor(0, static_cast<unsigned>(AgiDivisorOfNote(note)));
    for (unsigned tick = 0, done = 0; done < kPreviewToneSamples; ++tick)
    {
        pChip->SetAttenuation(0, FadedAttenuation(fade, 0, tick));
        const unsigned n =
            std::min<unsigned>(CChipSynth::kSamplesPerTick, kPreviewToneSamples - done);
        pChip->Render(pOut + done, n);
        done += n;
    }
    pChip->SetAttenuation(0, CChipSynth::kSilent);
    pChip->Render(pOut + kPreviewToneSamples, kPreviewSamples - kPreviewToneSamples);
    return true;
}

unsigned CChipRenderer::RenderPreview(int note, const CInstrument& instrument, bool bNoise,
                                      std::int16_t* pOut)
{
    if (!bNoise && (note < 0 || note >= NOTE_OFF))
        return 0;
    const std::size_t nTicks = InstrumentPreview::Ticks(note, instrument, bNoise).size();
    const std::size_t nSamples = nTicks * CAgiChipRender::kSamplesPerTick;
    CAgiChipRender render(InstrumentPreview::Records(note, instrument, bNoise), m_kind, m_fade);
    std::size_t done = 0;
    while (done < nSamples)
    {
        const std::size_t n = render.Read(pOut + done, nSamples - done);
        if (n == 0)
            break;
        done += n;
    }
    std::fill(pOut + done, pOut + nSamples, std::int16_t{0});
    return static_cast<unsigned>(nSamples);
}
