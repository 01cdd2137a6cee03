// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SineRenderer.h"

#include "playback/AgiChipRender.h"
#include "playback/InstrumentPreview.h"
#include "sound/GameTempo.h"
#include "sound/SoundDoc.h"
#include "sound/VoiceMute.h"

void CSineRenderer::StartSynth(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos)
{
    const auto nRowSamples =
        static_cast<unsigned>(CGameTempo(doc).TicksPerRow() * CAgiChipRender::kSamplesPerTick);
    m_synth.Start(nRowSamples, CAgiChipRender::kSamplesPerTick);
    const bool bInPass = pos >= range.start && pos < range.end;
    m_startRow = bInPass ? pos : range.start;
    m_row = m_startRow;
    m_bRowEnded = false;
}

Status CSineRenderer::Begin(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos)
{
    StartSynth(doc, range, pos);
    m_sequencer.Start(m_startRow);
    m_sequencer.Prime(doc, range);
    m_synth.BeginRow(m_sequencer.GetQueues(), doc);
    return Success();
}

Status CSineRenderer::BeginFrom(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos)
{
    StartSynth(doc, range, pos);
    m_sequencer.StartFrom(doc, range, m_startRow);
    m_sequencer.Prime(doc, range);
    m_synth.BeginRow(m_sequencer.GetQueues(), doc);
    return Success();
}

bool CSineRenderer::RenderSlot(std::int16_t* pOut)
{
    m_bRowEnded = m_synth.RenderSlice(pOut, m_muteMask);
    if (m_pVoiceSink != nullptr)
        WriteVoices();
    return m_bRowEnded;
}

void CSineRenderer::Advance(const CSoundDoc& doc, const PlayRange& range)
{
    if (!m_bRowEnded)
        return;
    m_bRowEnded = false;
    const std::int32_t next = NextPassRow(range, m_row);
    // The next pass starts as the first one did: what the game plays at the start of its
    // sound owes nothing to its end.
    if (next == range.start)
    {
        m_synth.EndNotes();
        m_sequencer.Start(next);
        m_sequencer.Prime(doc, range);
    }
    else
        m_sequencer.SequenceRow(doc, range);
    m_row = next;
    m_synth.BeginRow(m_sequencer.GetQueues(), doc);
}

void CSineRenderer::WriteVoices()
{
    // The sine has no noise voice.
    IVoiceSink::Blocks blocks{};
    for (int voice = 0; voice < CToneSynth::kVoices; ++voice)
        if (!IsVoiceMuted(m_muteMask, voice))
            blocks[voice] = m_synth.m_channelBuf[voice].data();
    m_pVoiceSink->WriteVoices(blocks, m_synth.GetSliceSamples());
}

unsigned CSineRenderer::RenderPreview(int note, const CInstrument& instrument, bool bNoise,
                                      std::int16_t* pOut)
{
    if (bNoise || note < 0 || note >= NOTE_OFF)
        return 0;
    const std::vector<VoiceTick> ticks = InstrumentPreview::Ticks(note, instrument, false);
    m_synth.RenderTicks(ticks, InstrumentPreview::kSamplesPerTick, pOut);
    return static_cast<unsigned>(ticks.size() * InstrumentPreview::kSamplesPerTick);
}
