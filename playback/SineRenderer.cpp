// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SineRenderer.h"

#include "sound/SoundDoc.h"
#include "sound/VoiceMute.h"

bool CSineRenderer::StartSynth(const CSoundDoc& doc, std::string& error)
{
    error.clear();
    const unsigned rowBytes = CToneSynth::RowBytes(doc.GetBeatsPerMinute(), doc.GetTracksPerBeat());
    if (rowBytes == 0)
        return false;
    m_synth.Start(rowBytes);
    return true;
}

bool CSineRenderer::Begin(const CSoundDoc& doc, std::int32_t pos, std::string& error)
{
    if (!StartSynth(doc, error))
        return false;
    m_sequencer.Start(pos);
    m_sequencer.Prime(doc);
    m_startRow = pos;
    return true;
}

bool CSineRenderer::BeginFrom(const CSoundDoc& doc, std::int32_t pos, std::string& error)
{
    if (!StartSynth(doc, error))
        return false;
    m_sequencer.StartFrom(doc, pos);
    m_sequencer.Prime(doc);
    m_startRow = pos;
    return true;
}

bool CSineRenderer::RenderSlot(std::int16_t* pOut)
{
    m_synth.RenderChannels(m_sequencer.GetQueues());
    m_synth.MixRow(pOut, m_muteMask);
    if (m_pVoiceSink != nullptr)
        WriteVoices();
    return true;
}

void CSineRenderer::WriteVoices()
{
    // The sine has no noise voice.
    IVoiceSink::Blocks blocks{};
    for (int voice = 0; voice < IChipWrites::kNoiseVoice; ++voice)
        if (!IsVoiceMuted(m_muteMask, voice))
            blocks[voice] = m_synth.m_channelBuf[voice].data();
    m_pVoiceSink->WriteVoices(blocks, m_synth.GetSamplesPerRow());
}
