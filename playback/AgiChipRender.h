// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/ChipModel.h"
#include "sound/AgiEngine.h"
#include "sound/VoiceMute.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// Plays a raw AGI sound resource on a chip the way the engine does (CAgiEngine), 735 samples
// a tick, until the longest voice ends. The speaker takes no fade.
class CAgiChipRender
{
public:
    // The largest block RenderAll hands to its sink: one second.
    static constexpr std::size_t kMaxBlock = 44100;
    static constexpr int kSamplesPerTick = 735;
    using Sink = std::function<void(const std::int16_t* pSamples, std::size_t n)>;

    CAgiChipRender(const std::uint8_t* pData, std::size_t size, SynthKind kind = SynthKind::PCjr,
                   FadeKind fade = FadeKind::None);
    // The records of a range, however long (see BuildAgiRecords).
    CAgiChipRender(const AgiVoiceRecords& records, SynthKind kind, FadeKind fade);

    std::uint64_t GetTotalSamples() const { return m_totalSamples; }
    // Moves to the start of a tick without rendering what lies before it: the chip's
    // registers are set as the ticks up to there leave them. Only before the first Read.
    void SeekTick(std::uint64_t tick);
    // Renders up to n of the next samples; returns how many, 0 once the sound has ended.
    std::size_t Read(std::int16_t* pOut, std::size_t n);
    // Silences the voices of the mask from the next sample Read renders.
    void SetMuteMask(unsigned muteMask) { m_mute.SetMask(muteMask); }
    // Each voice's own output of every Read goes to the sink as well (null: none).
    void SetVoiceSink(IVoiceSink* pSink) { m_pChip->SetVoiceSink(pSink); }

    // Renders a whole resource into the sink in blocks of at most kMaxBlock samples, so
    // memory stays bounded whatever its length. Returns the number of samples.
    static std::uint64_t RenderAll(const std::uint8_t* pData, std::size_t size, SynthKind kind,
                                   FadeKind fade, const Sink& sink, unsigned muteMask = 0);

private:
    CAgiEngine m_engine;
    std::unique_ptr<IChipModel> m_pChip;
    // The engine writes through this to the chip.
    CVoiceMute m_mute{*m_pChip};
    std::uint64_t m_totalSamples = 0;
    std::uint64_t m_position = 0;
};
