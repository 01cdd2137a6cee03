// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// The converter's command line: what it asks for, before anything runs.

extern const char kUsage[];

enum class Format
{
    tks,
    agi,
    mid,
    wav,
};

struct Options
{
    std::optional<Format> from;
    std::optional<Format> to;
    std::array<int, 3> programs{0, 0, 0};
    bool bNew = false;
    bool bWhole = false;
    bool bList = false;
    std::optional<std::string> game;
    std::optional<std::string> intoGame;
    std::optional<int> sound;
    std::optional<SynthKind> chip;
    std::string input;
    std::string output;
};

struct UsageError
{
    std::string message;
};

// Parses the arguments after the program's name; throws UsageError.
Options ParseArguments(const std::vector<std::string>& args);
// Refuses --chip where nothing is played; throws UsageError.
void CheckChip(const Options& options);
// The output's format: --to, else by the output's extension, else an AGI resource.
Format OutputFormat(const Options& options);
// The input's format: --from, else by the input's extension.
Format InputFormat(const Options& options);
// A chip plays a resource's own records, not the document its import would make.
bool PlaysRecords(const Options& options);
