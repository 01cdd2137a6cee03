// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EngineTimeline.h"

#include <algorithm>
#include <cstdint>

namespace
{
unsigned Byte(const std::string& data, std::size_t at)
{
    return static_cast<std::uint8_t>(data[at]);
}

// Appends the channel's line; returns the ticks of all its records.
std::int64_t AppendChannel(const std::string& data, int channel, std::string& out)
{
    std::size_t pos =
        data.size() >= 8 ? Byte(data, 2 * channel) | Byte(data, 2 * channel + 1) << 8 : data.size();
    // Power-on: divisor 0, periodic noise at rate 0. A control byte of 0 keeps the setting.
    unsigned setting = 0;
    std::int64_t tick = 0, heardUntil = 0;
    std::string sound, unheard;
    for (; pos + 5 <= data.size() && !(Byte(data, pos) == 0xFF && Byte(data, pos + 1) == 0xFF);
         pos += 5)
    {
        if (Byte(data, pos + 3) != 0)
            setting = channel == 3 ? Byte(data, pos + 3) & 7
                                   : (Byte(data, pos + 2) & 0x3F) << 4 | (Byte(data, pos + 3) & 15);
        const unsigned atten = Byte(data, pos + 4) & 15;
        const unsigned ticks = Byte(data, pos) | Byte(data, pos + 1) << 8;
        const std::string now =
            atten == 15 ? "silent" : std::to_string(setting) + "/" + std::to_string(atten);
        if (ticks > 0 && now != sound)
        {
            unheard += " " + std::to_string(tick) + ":" + now;
            sound = now;
        }
        tick += ticks;
        if (ticks > 0 && atten != 15)
        {
            out += unheard;
            unheard.clear();
            heardUntil = tick;
        }
    }
    out += " to " + std::to_string(heardUntil) + "\n";
    return tick;
}
} // namespace

std::string EngineTimeline(const std::string& resource)
{
    std::string out;
    std::int64_t end = 0;
    for (int channel = 0; channel < 4; ++channel)
    {
        out += std::to_string(channel) + ":";
        end = std::max(end, AppendChannel(resource, channel, out));
    }
    return out + "end " + std::to_string(end);
}
