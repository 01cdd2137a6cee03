// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// What the engine plays from an AGI sound resource, a line per channel: each change of
// (divisor or noise setting, attenuation) as "tick:setting/attenuation", "silent" at
// attenuation 15 whatever the setting, then "to" where the last sound ends (the silence
// after it left out); last, the tick the whole sound ends. The same text means the engine
// plays both alike.
std::string EngineTimeline(const std::string& resource);
