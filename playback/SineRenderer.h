// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/RowSequencer.h"
#include "playback/SoundRenderer.h"
#include "playback/ToneSynth.h"

// The editor's own sound: a slot is a row at the document's tempo, three sine voices.
class CSineRenderer : public ISoundRenderer
{
public:
    bool Begin(const CSoundDoc& doc, std::int32_t pos, std::string& error) override;
    bool BeginFrom(const CSoundDoc& doc, std::int32_t pos, std::string& error) override;
    std::int32_t GetStartRow() const override { return m_startRow; }
    unsigned GetSlotSamples() const override { return m_synth.GetSamplesPerRow(); }
    bool RenderSlot(std::int16_t* pOut) override;
    void Advance(const CSoundDoc& doc) override { m_sequencer.SequenceRow(doc); }
    std::int32_t NextRow(const CSoundDoc& doc, std::int32_t pos) const override
    {
        return doc.NextPlayPos(pos);
    }
    void End() override { m_synth.Release(); }
    void SetMuteMask(unsigned muteMask) override { m_muteMask = muteMask; }
    void SetVoiceSink(IVoiceSink* pSink) override { m_pVoiceSink = pSink; }
    bool RenderPreview(int note, std::int16_t* pOut) override
    {
        return m_synth.RenderPreview(note, pOut);
    }

private:
    bool StartSynth(const CSoundDoc& doc, std::string& error);
    void WriteVoices();

    CRowSequencer m_sequencer;
    CToneSynth m_synth;
    std::int32_t m_startRow = 0;
    unsigned m_muteMask = 0;
    IVoiceSink* m_pVoiceSink = nullptr;
};
