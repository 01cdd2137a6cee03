// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"
#include "sound/InterpreterFade.h"

struct FileFormat;

#include <array>
#include <optional>
#include <string>
#include <vector>

// The converter's command line: what it asks for, before anything runs.

extern const char kUsage[];

struct Options
{
    // --from and --to: rows of the format table (playback/FileFormats.h), null when not given.
    const FileFormat* from = nullptr;
    const FileFormat* to = nullptr;
    std::array<int, 3> programs{0, 0, 0};
    bool bNew = false;
    bool bWhole = false;
    bool bList = false;
    bool bAll = false;
    // Print the AGI export's size per voice instead of converting.
    bool bInfo = false;
    std::optional<std::string> game;
    std::optional<std::string> intoGame;
    std::optional<int> sound;
    std::optional<SynthKind> chip;
    std::optional<FadeKind> fade;
    bool bLoop = false;
    // A .wav output may last longer than an hour.
    bool bLong = false;
    // Voices left out of a .wav or .vgm output, bit v for voice v.
    std::optional<unsigned> muteMask;
    std::optional<std::array<int, 3>> midiMap;
    std::optional<int> drumChannel;
    std::string input;
    std::string output;
};

struct UsageError
{
    std::string message;
};

// Parses the arguments after the program's name; throws UsageError.
Options ParseArguments(const std::vector<std::string>& args);
// Refuses --chip, --fade, --mute, --loop and --long for an output format without that option
// (only a .wav or .vgm output plays, only a VGM file loops, only a WAV render is measured);
// throws UsageError.
void CheckChip(const Options& options);
// Refuses --map and --drums but for a MIDI input, and a drum channel the map gives a voice;
// throws UsageError.
void CheckMidiOptions(const Options& options);
// The output's format: --to, else by the output's extension, else an AGI resource.
const FileFormat& OutputFormat(const Options& options);
// The input's format: --from, else by the input's extension, else an AGI resource.
const FileFormat& InputFormat(const Options& options);
// A chip plays a resource's own records, not the document its import would make; a VGM file
// always holds the records.
bool PlaysRecords(const Options& options);
