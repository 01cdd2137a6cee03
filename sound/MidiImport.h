// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/ImportedSong.h"
#include "sound/MidiFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;

constexpr int kMidiChannels = 16;
constexpr int kDefaultDrumChannel = 10; // counted from 1, as people count them

// Where a MIDI channel's notes go.
enum class MidiChannelUse : std::uint8_t
{
    Automatic, // shared among the voices no channel is given
    Voice0,
    Voice1,
    Voice2,
    Noise,
    LeaveOut,
};

struct MidiImportOptions
{
    // Index 0 is channel 1. Every channel automatic, channel 10 on the noise channel.
    std::array<MidiChannelUse, kMidiChannels> channels;

    MidiImportOptions();
    // Channels 1-16: map[k] plays on voice k alone and other tone channels are left out;
    // drumChannel 1-16 goes to the noise channel, 0 for none.
    static MidiImportOptions Mapped(const std::array<int, 3>& map, int drumChannel);
    static MidiImportOptions WithDrums(int drumChannel);
};

// What the voices cannot hold.
struct MidiImportCounts
{
    int cutNotes = 0;       // notes cut for polyphony
    int raisedNotes = 0;    // notes raised by octaves into the voices' range
    int mergedDrumHits = 0; // drum hits never heard on their own, under a later or longer one
    std::size_t agiBytes = 0;
    bool tooLongForAgi = false; // the AGI export will refuse the song
};

struct MidiChannelInfo
{
    int number = 1; // 1-16
    std::string instrument;
    int notes = 0;
    int maxPolyphony = 0; // most notes sounding at one tick
};

// The import's rules for a single note, which live recording follows too.
// The key raised by octaves into the tone voices' range.
int VoicedPitch(int key);
// The attenuation a note struck at that velocity (0–127, 0 silent) plays at, with the
// channel's volume and expression full.
std::uint8_t VelocityAttenuation(int velocity);
// The white noise rate the drum map gives a drum key.
std::uint8_t DrumNoiseRate(int key);

// An import's progress reads the file up to here (and builds the document from kSongBuildFrom).
constexpr double kMidiReadShare = 0.2;

// Reads the file and replaces the document's contents with its song; a refused file leaves
// the document as it was, and the refusal's message does not name the file. A cancel before
// the document is built leaves it as it was too, and fails silently.
Result<MidiImportCounts> ImportMidi(const std::vector<std::uint8_t>& bytes,
                                    const MidiImportOptions& options, CSoundDoc& doc,
                                    const CProgress& progress = {});

// For a dialog: the channels that hold notes, and the counts for a choice of channel uses,
// without building anything.
std::vector<MidiChannelInfo> ListMidiChannels(const MidiSong& song);
MidiImportCounts CountMidiImport(const MidiSong& song, const MidiImportOptions& options);

// The records the engine plays for the song; nothing when progress was cancelled (ask it).
ImportedSong ConvertMidi(const MidiSong& song, const MidiImportOptions& options,
                         MidiImportCounts& counts, const CProgress& progress = {});
