// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// A list of voices such as "1,2,3" (0-2 the tones, 3 the noise) as a mute mask; none for
// anything else, an empty list or a voice named twice included.
std::optional<unsigned> ParseMuteList(const std::string& value);
