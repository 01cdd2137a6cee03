// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/ChipSynth.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Plays a raw AGI sound resource on the chip the way the engine does: each voice steps
// through its five-byte records at 60 ticks a second (735 samples a tick) until its FF FF,
// and the sound lasts until the longest voice ends. Damaged data plays as far as it is
// readable: a voice whose offset lies outside the resource is empty, and one without a
// terminator ends at the last whole record.
class CAgiChipRender
{
public:
    // The largest block RenderAll hands to its sink: one second.
    static constexpr std::size_t kMaxBlock = 44100;
    using Sink = std::function<void(const std::int16_t* pSamples, std::size_t n)>;

    CAgiChipRender(const std::uint8_t* pData, std::size_t size,
                   ChipVariant variant = ChipVariant::PCjr);

    // The longest voice's summed durations times 735.
    std::uint64_t GetTotalSamples() const { return m_totalSamples; }
    std::uint64_t GetPosition() const { return m_position; }
    // Moves to the start of a tick without rendering what lies before it: the chip's
    // registers are set as the records up to there leave them. Only before the first Read.
    void SeekTick(std::uint64_t tick);
    // Renders up to n of the next samples; returns how many, 0 once the sound has ended.
    std::size_t Read(std::int16_t* pOut, std::size_t n);

    // Renders a whole resource into the sink in blocks of at most kMaxBlock samples, so
    // memory stays bounded whatever its length. Returns the number of samples.
    static std::uint64_t RenderAll(const std::uint8_t* pData, std::size_t size, ChipVariant variant,
                                   const Sink& sink);

private:
    struct Voice
    {
        std::size_t pos = 0;
        std::uint64_t nextTick = 0;
        bool bEnded = false;
    };

    // Offset of voice v's data, or past the end when the header lacks it.
    std::size_t VoiceOffset(int voice) const;
    // True when a whole record that is not the terminator starts at pos.
    bool HasRecord(std::size_t pos) const;
    unsigned Duration(std::size_t pos) const;
    std::uint64_t VoiceTicks(int voice) const;
    // Applies every record of the voice that starts at the current tick.
    void StartRecords(int voice);
    // Applies the voice's next record, or silences a voice that has none left.
    void StepRecord(int voice);
    void ApplyRecord(int voice, const std::uint8_t* pRecord);
    // Sample where the next record of any voice starts, capped at the end of the sound.
    std::uint64_t NextRecordSample() const;

    std::vector<std::uint8_t> m_data;
    CChipSynth m_chip;
    std::array<Voice, CChipSynth::kVoices> m_voices{};
    std::uint64_t m_totalSamples = 0;
    std::uint64_t m_position = 0;
};
