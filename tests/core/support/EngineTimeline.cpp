// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EngineTimeline.h"

#include <algorithm>
#include <cstdint>

namespace
{
// Follows one channel's sound, keeping silence that nothing audible follows out of the text.
class CChannelText
{
public:
    void Sound(std::uint64_t tick, std::uint64_t ticks, unsigned setting, unsigned atten)
    {
        const std::string now =
            atten == 15 ? "silent" : std::to_string(setting) + "/" + std::to_string(atten);
        if (now != m_sound)
            m_unheard += " " + std::to_string(tick) + ":" + (m_sound = now);
        if (atten != 15)
        {
            m_out += m_unheard;
            m_unheard.clear();
            m_heardUntil = tick + ticks;
        }
    }
    std::string Line() const { return m_out + " to " + std::to_string(m_heardUntil) + "\n"; }

private:
    std::string m_out, m_unheard, m_sound;
    std::uint64_t m_heardUntil = 0;
};
} // namespace

std::string EngineTimeline(const std::string& data, const std::vector<int>& fade)
{
    auto at = [&](std::size_t i) { return unsigned{static_cast<std::uint8_t>(data[i])}; };
    std::string out;
    std::uint64_t end = 0;
    for (int c = 0; c < 4; ++c)
    {
        // Power-on: divisor 0, periodic noise at rate 0. A control byte of 0 keeps the setting.
        unsigned setting = 0;
        std::uint64_t tick = 0;
        CChannelText text;
        for (std::size_t pos = data.size() >= 8 ? at(2 * c) | at(2 * c + 1) << 8 : data.size();
             pos + 5 <= data.size() && (at(pos) & at(pos + 1)) != 0xFF; pos += 5)
        {
            if (at(pos + 3) != 0)
                setting = c == 3 ? at(pos + 3) & 7 : (at(pos + 2) & 0x3F) << 4 | (at(pos + 3) & 15);
            const unsigned ticks = at(pos) | at(pos + 1) << 8, atten = at(pos + 4) & 15;
            const bool bFades = c < 3 && !fade.empty() && atten != 15;
            unsigned k = 0;
            for (; bFades && k < ticks; ++k)
            {
                const int moved =
                    static_cast<int>(atten) + fade[std::min<std::size_t>(k, fade.size() - 1)];
                text.Sound(tick + k, 1, setting, static_cast<unsigned>(std::clamp(moved, 0, 15)));
            }
            if (k < ticks)
                text.Sound(tick + k, ticks - k, setting, atten);
            tick += ticks;
        }
        out += text.Line();
        end = std::max(end, tick);
    }
    return out + "end " + std::to_string(end);
}

std::string TimelineOfTicks(const std::vector<std::vector<TickState>>& channels)
{
    std::string out;
    std::size_t end = 0;
    for (const std::vector<TickState>& ticks : channels)
    {
        CChannelText text;
        for (std::size_t t = 0; t < ticks.size(); ++t)
            text.Sound(t, 1, ticks[t].setting, ticks[t].attenuation);
        out += text.Line();
        end = std::max(end, ticks.size());
    }
    return out + "end " + std::to_string(end);
}
