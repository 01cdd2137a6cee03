// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Progress.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Which MIDI notes the tone voices play, and when.

struct MidiNote
{
    int channel = 0; // 0-15
    int key = 0;     // as in the file
    int pitch = 0;   // raised by octaves into the voices' range
    int velocity = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;    // after start
    std::uint32_t order = 0; // place of its note-on in the file
};

// A stretch of one note on one voice.
struct VoicedNote
{
    std::size_t note = 0; // index into the notes
    int voice = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
};

struct VoiceAllocation
{
    std::vector<VoicedNote> stretches;
    int cutNotes = 0; // notes that lost some or all of their span
};

// Shares the given voices among the given notes. Wherever the sounding notes change, the
// highest, the lowest, then the next highest of those sounding play; a note left out comes
// back, in a new stretch, when it is among them again. A note keeps its voice while it plays,
// and the highest note takes voice 0 when it is free.
// A cancelled allocation stops short; the caller asks the progress whether it was.
VoiceAllocation AllocateVoices(const std::vector<MidiNote>& notes,
                               const std::vector<std::size_t>& which,
                               const std::vector<int>& voices, const CProgress& progress = {});

// One voice playing, at each tick, the highest of the given notes that sound then.
VoiceAllocation PlayHighest(const std::vector<MidiNote>& notes,
                            const std::vector<std::size_t>& which, int voice,
                            const CProgress& progress = {});
