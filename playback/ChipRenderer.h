// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/AgiChipRender.h"
#include "playback/SoundRenderer.h"

#include <cstdint>
#include <memory>

// The engine's sound: a chip plays the records of the range's AGI export as the game would,
// with the interpreter's fade, a slot per tick. A pass covers the range start to the row before
// its end; the records are built again for every pass, so edits are heard from the next one.
// They are not a resource: a song too long for one plays all the same.
class CChipRenderer : public ISoundRenderer
{
public:
    CChipRenderer(SynthKind kind, FadeKind fade) : m_kind(kind), m_fade(fade) {}

    Status Begin(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos) override;
    std::int32_t GetStartRow() const override { return m_startRow; }
    unsigned GetSlotSamples() const override { return CAgiChipRender::kSamplesPerTick; }
    bool RenderSlot(std::int16_t* pOut) override;
    void Advance(const CSoundDoc& doc, const PlayRange& range) override;
    void End() override;
    void SetMuteMask(unsigned muteMask) override;
    void SetVoiceSink(IVoiceSink* pSink) override;
    bool RenderPreview(int note, std::int16_t* pOut) override;
    unsigned RenderPreview(int note, const CInstrument& instrument, bool bNoise,
                           std::int16_t* pOut) override;

private:
    struct Pass
    {
        std::unique_ptr<CAgiChipRender> pRender;
        std::int64_t nTicks = 0;
        std::int64_t nTicksPerRow = 0;
    };
    // The next pass from the document.
    Pass BuildPass(const CSoundDoc& doc, const PlayRange& range) const;

    SynthKind m_kind;
    FadeKind m_fade;
    Pass m_pass;
    Pass m_next;
    bool m_bNextReady = false;
    unsigned m_muteMask = 0;
    IVoiceSink* m_pVoiceSink = nullptr;
    std::int64_t m_tick = 0;
    std::int32_t m_startRow = 0;
};
