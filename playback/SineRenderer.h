// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/RowSequencer.h"
#include "playback/SoundRenderer.h"
#include "playback/ToneSynth.h"

// The editor's own sound: three sine voices, a slot per game tick and a row as many ticks as
// the game gives it. A pass covers the range start to the row before its end, as the game's
// does, and each pass starts afresh, as the first one from stopped.
class CSineRenderer : public ISoundRenderer
{
public:
    // Only the mix is rendered until a voice sink wants the voices.
    CSineRenderer() { m_synth.SetVoiceBuffers(false); }
    Status Begin(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos) override;
    Status BeginFrom(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos) override;
    std::int32_t GetStartRow() const override { return m_startRow; }
    unsigned GetSlotSamples() const override { return m_synth.GetSliceSamples(); }
    bool RenderSlot(std::int16_t* pOut) override;
    void Advance(const CSoundDoc& doc, const PlayRange& range) override;
    void End() override { m_synth.Release(); }
    void SetMuteMask(unsigned muteMask) override { m_muteMask = muteMask; }
    void SetVoiceSink(IVoiceSink* pSink) override
    {
        m_pVoiceSink = pSink;
        m_synth.SetVoiceBuffers(pSink != nullptr);
    }
    bool RenderPreview(int note, std::int16_t* pOut) override
    {
        return m_synth.RenderPreview(note, pOut);
    }
    // The sine leaves out the noise channel.
    unsigned RenderPreview(int note, const CInstrument& instrument, bool bNoise,
                           std::int16_t* pOut) override;

private:
    // Where a pass starts: pos when it lies in the pass, else the range start.
    void StartSynth(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos);
    void WriteVoices();

    CRowSequencer m_sequencer;
    CToneSynth m_synth;
    std::int32_t m_startRow = 0;
    // The row the slots render, and whether the last slot ended it.
    std::int32_t m_row = 0;
    bool m_bRowEnded = false;
    unsigned m_muteMask = 0;
    IVoiceSink* m_pVoiceSink = nullptr;
};
