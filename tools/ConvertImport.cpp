// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertImport.h"

#include <algorithm>
#include <vector>

namespace
{
// 0-16 as a number, or -1.
int ParseChannel(const std::string& text)
{
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    const int channel = std::stoi(text);
    return channel <= kMidiChannels ? channel : -1;
}

} // namespace

std::vector<std::string> SplitAtCommas(const std::string& value)
{
    std::vector<std::string> items(1);
    for (char c : value)
        if (c == ',')
            items.emplace_back();
        else
            items.back() += c;
    return items;
}

std::string ParseMidiMap(const std::string& value, std::array<int, 3>& map)
{
    const std::vector<std::string> items = SplitAtCommas(value);
    const std::string error = "--map needs three MIDI channels from 1 to 16 (0 for a silent "
                              "voice), as in 1,2,3: '" +
                              value + "'";
    if (items.size() != 3)
        return error;
    for (int voice = 0; voice < 3; ++voice)
    {
        map[voice] = ParseChannel(items[voice]);
        if (map[voice] < 0)
            return error;
        for (int other = 0; other < voice; ++other)
            if (map[voice] != 0 && map[voice] == map[other])
                return "--map gives channel " + items[voice] + " to two voices";
    }
    return {};
}

std::string ParseDrumChannel(const std::string& value, int& channel)
{
    channel = value == "none" ? 0 : ParseChannel(value);
    if (channel <= 0 && value != "none")
        return "--drums needs a MIDI channel from 1 to 16, or none: '" + value + "'";
    return {};
}

MidiImportOptions MidiOptionsFor(const std::optional<std::array<int, 3>>& map,
                                 std::optional<int> drumChannel)
{
    const int drums = drumChannel.value_or(kDefaultDrumChannel);
    return map ? MidiImportOptions::Mapped(*map, drums) : MidiImportOptions::WithDrums(drums);
}
