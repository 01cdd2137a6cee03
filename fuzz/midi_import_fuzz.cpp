// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a MIDI file, imported with the default choices and with channels mapped.
#include "ImportFuzzChecks.h"
#include "sound/MidiImport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Result<MidiSong> read = ReadMidiFile(std::vector<std::uint8_t>(data, data + size));
    if (!read.Ok())
        return 0;
    ListMidiChannels(read.Value());
    MidiImportCounts counts;
    CheckImportedSong(ConvertMidi(read.Value(), MidiImportOptions(), counts));
    CheckImportedSong(ConvertMidi(read.Value(), MidiImportOptions::Mapped({1, 2, 3}, 0), counts));
    return 0;
}
