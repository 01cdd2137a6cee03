// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SineRenderer.h"

#include "sound/SoundDoc.h"
#include "sound/VoiceMute.h"

Status CSineRenderer::StartSynth(const CSoundDoc& doc)
{
    const unsigned rowBytes = CToneSynth::RowBytes(doc.GetBeatsPerMinute(), doc.GetTracksPerBeat());
    if (rowBytes == 0)
        return Failure{};
    m_synth.Start(rowBytes);
    return Success();
}

Status CSineRenderer::Begin(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos)
{
    if (Status started = StartSynth(doc); !started.Ok())
        return started;
    m_sequencer.Start(pos);
    m_sequencer.Prime(doc, range);
    m_startRow = pos;
    return Success();
}

Status CSineRenderer::BeginFrom(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos)
{
    if (Status started = StartSynth(doc); !started.Ok())
        return started;
    m_sequencer.StartFrom(doc, range, pos);
    m_sequencer.Prime(doc, range);
    m_startRow = pos;
    return Success();
}

bool CSineRenderer::RenderSlot(std::int16_t* pOut)
{
    m_synth.RenderRow(m_sequencer.GetQueues(), pOut, m_muteMask);
    if (m_pVoiceSink != nullptr)
        WriteVoices();
    return true;
}

void CSineRenderer::WriteVoices()
{
    // The sine has no noise voice.
    IVoiceSink::Blocks blocks{};
    for (int voice = 0; voice < CToneSynth::kVoices; ++voice)
        if (!IsVoiceMuted(m_muteMask, voice))
            blocks[voice] = m_synth.m_channelBuf[voice].data();
    m_pVoiceSink->WriteVoices(blocks, m_synth.GetSamplesPerRow());
}
