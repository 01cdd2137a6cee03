// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// What the engine plays from an AGI sound resource, one line per channel: each change of
// (divisor or noise setting, attenuation) as "tick:setting/attenuation", "silent" for
// attenuation 15 whatever the setting, then "to" the tick its last sound ends; a channel's
// silence after that is left out. The last line is the tick the whole sound ends. Two
// resources the engine plays identically give the same text.
std::string EngineTimeline(const std::string& resource);
