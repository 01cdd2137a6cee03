// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/RowSequencer.h"
#include "playback/SoundRenderer.h"
#include "playback/ToneSynth.h"

// The editor's own sound: a slot is a row at the document's tempo, three sine voices.
class CSineRenderer : public ISoundRenderer
{
public:
    Status Begin(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos) override;
    Status BeginFrom(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos) override;
    std::int32_t GetStartRow() const override { return m_startRow; }
    unsigned GetSlotSamples() const override { return m_synth.GetSamplesPerRow(); }
    bool RenderSlot(std::int16_t* pOut) override;
    void Advance(const CSoundDoc& doc, const PlayRange& range) override
    {
        m_sequencer.SequenceRow(doc, range);
    }
    std::int32_t NextRow(const PlayRange& range, std::int32_t pos) const override
    {
        return range.Next(pos);
    }
    void End() override { m_synth.Release(); }
    void SetMuteMask(unsigned muteMask) override { m_muteMask = muteMask; }
    void SetVoiceSink(IVoiceSink* pSink) override { m_pVoiceSink = pSink; }
    bool RenderPreview(int note, std::int16_t* pOut) override
    {
        return m_synth.RenderPreview(note, pOut);
    }

private:
    // Refused, silently, for a tempo that gives no row length.
    Status StartSynth(const CSoundDoc& doc);
    void WriteVoices();

    CRowSequencer m_sequencer;
    CToneSynth m_synth;
    std::int32_t m_startRow = 0;
    unsigned m_muteMask = 0;
    IVoiceSink* m_pVoiceSink = nullptr;
};
