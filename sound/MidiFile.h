// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Progress.h"
#include "framework/Result.h"

#include <cstdint>
#include <string>
#include <vector>

// A standard MIDI file's channel messages on the engine's time axis.

struct MidiEvent
{
    std::int64_t tick = 0;   // resource tick: floor(60 t + 1/2), t in seconds
    std::uint8_t status = 0; // 0x80-0xEF
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    int Channel() const { return status & 0x0F; }
    int Kind() const { return status & 0xF0; }
};

struct MidiSong
{
    // In the file's order: by time, then track, then place in the track.
    std::vector<MidiEvent> events;
    // The tick of the file's last event of any kind, end of track included.
    std::int64_t lastTick = 0;
};

// Reads format 0 and 1 files with a division in ticks per quarter note. Meta events other
// than tempo, system exclusive and unknown events are skipped. A refusal's message does not
// name the file; a cancelled read fails silently.
Result<MidiSong> ReadMidiFile(const std::vector<std::uint8_t>& bytes,
                              const CProgress& progress = {});
