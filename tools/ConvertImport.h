// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/MidiImport.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// The converter's choice of MIDI channels.

// The values of --map and --drums; "" when the value is good, else what is wrong with it.
// The comma-separated items of an option's value, empty ones included.
std::vector<std::string> SplitAtCommas(const std::string& value);
std::string ParseMidiMap(const std::string& value, std::array<int, 3>& map);
std::string ParseDrumChannel(const std::string& value, int& channel);
// The channel uses the options give: automatic voices unless a map is given; drums on
// channel 10 unless drumChannel says otherwise (0: none).
MidiImportOptions MidiOptionsFor(const std::optional<std::array<int, 3>>& map,
                                 std::optional<int> drumChannel);
