// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AgiResource.h"
#include "sound/ChipWrites.h"
#include "sound/InterpreterFade.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The engine's sound code over a raw AGI sound resource: each voice steps through its
// five-byte records at 60 ticks a second until its FF FF, and the sound lasts until the
// longest voice ends. At the start of each tick it makes the chip writes the interpreter
// makes: a record's attenuation, then its pitch or noise setting (none for a control byte of
// 0); the fade's level changes on the tone voices; attenuation 15 for a voice that has ended.
// Damaged data plays as far as it is readable: a voice whose offset lies outside the
// resource is empty, and one without a terminator ends at the last whole record.
class CAgiEngine
{
public:
    CAgiEngine(const std::uint8_t* pData, std::size_t size, FadeKind fade = FadeKind::None);
    // The same for each voice's records (each ending in FF FF) without a resource around them,
    // so a song too long for one plays all the same.
    CAgiEngine(const AgiVoiceRecords& records, FadeKind fade = FadeKind::None);

    // The longest voice's summed durations.
    std::uint64_t GetTotalTicks() const { return m_totalTicks; }
    // The tick StartTick writes next.
    std::uint64_t GetTick() const { return m_tick; }
    // The first tick from GetTick() on at which StartTick may write anything; a renderer
    // may run the chip on unchanged until then. Past the end when nothing is left.
    std::uint64_t NextWriteTick() const;
    // Makes the writes due at the start of tick GetTick(), then moves to the next tick.
    void StartTick(IChipWrites& chip);
    // Moves to tick (not back), making the writes of the ticks passed on the way.
    void SkipTo(std::uint64_t tick, IChipWrites& chip);

private:
    struct Voice
    {
        std::size_t pos = 0;
        std::uint64_t nextTick = 0;
        std::uint64_t recordTick = 0;
        unsigned attenuation = IChipWrites::kSilent;
        unsigned written = IChipWrites::kSilent;
        bool bEnded = false;
    };

    void StartVoices();
    bool HasRecord(std::size_t pos) const;
    unsigned Duration(std::size_t pos) const;
    std::uint64_t VoiceTicks(int voice) const;
    void StepRecord(int voice, IChipWrites& chip);
    void ApplyRecord(int voice, const std::uint8_t* pRecord, IChipWrites& chip);
    bool IsFading(const Voice& v) const;
    void WriteFade(int voice, IChipWrites& chip);

    std::vector<std::uint8_t> m_data;
    // Where each voice's records start in m_data.
    std::array<std::size_t, IChipWrites::kVoices> m_voiceStart{};
    FadeKind m_fade;
    std::array<Voice, IChipWrites::kVoices> m_voices{};
    std::uint64_t m_totalTicks = 0;
    std::uint64_t m_tick = 0;
};
