// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// What the engine plays from an AGI sound resource, a line per channel: each change of
// (divisor or noise setting, attenuation) as "tick:setting/attenuation", "silent" at
// attenuation 15 whatever the setting, then "to" where the last sound ends (the silence
// after it left out); last, the tick the whole sound ends. The same text means the engine
// plays both alike. A fade table moves each tone record's attenuation tick by tick, the last
// value holding.
std::string EngineTimeline(const std::string& resource, const std::vector<int>& fade = {});

// The same text from each channel's (setting, attenuation) on every tick of a sound.
struct TickState
{
    unsigned setting = 0;
    unsigned attenuation = 15;
};
std::string TimelineOfTicks(const std::vector<std::vector<TickState>>& channels);
