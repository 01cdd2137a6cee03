// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EngineTimeline.h"

#include <algorithm>
#include <cstdint>

std::string EngineTimeline(const std::string& data)
{
    auto at = [&](std::size_t i) { return unsigned{static_cast<std::uint8_t>(data[i])}; };
    std::string out;
    std::uint64_t end = 0;
    for (int c = 0; c < 4; ++c)
    {
        // Power-on: divisor 0, periodic noise at rate 0. A control byte of 0 keeps the setting.
        unsigned setting = 0;
        std::uint64_t tick = 0, heardUntil = 0;
        std::string sound, unheard;
        for (std::size_t pos = data.size() >= 8 ? at(2 * c) | at(2 * c + 1) << 8 : data.size();
             pos + 5 <= data.size() && (at(pos) & at(pos + 1)) != 0xFF; pos += 5)
        {
            if (at(pos + 3) != 0)
                setting = c == 3 ? at(pos + 3) & 7 : (at(pos + 2) & 0x3F) << 4 | (at(pos + 3) & 15);
            const unsigned ticks = at(pos) | at(pos + 1) << 8, atten = at(pos + 4) & 15;
            const std::string now =
                atten == 15 ? "silent" : std::to_string(setting) + "/" + std::to_string(atten);
            if (ticks == 0)
                continue;
            if (now != sound)
                unheard += " " + std::to_string(tick) + ":" + (sound = now);
            tick += ticks;
            if (atten != 15)
            {
                out += unheard;
                unheard.clear();
                heardUntil = tick;
            }
        }
        out += " to " + std::to_string(heardUntil) + "\n";
        end = std::max(end, tick);
    }
    return out + "end " + std::to_string(end);
}
