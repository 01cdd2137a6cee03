// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MidiChord.h"

#include <algorithm>

void CMidiChord::Begin(std::int32_t pos, int voice, const Key& key)
{
    m_pos = pos;
    m_nVoice = voice;
    m_keys = {key};
    m_down = {key.key};
}

bool CMidiChord::Join(const Key& key)
{
    const bool bStruckAgain = std::any_of(m_keys.begin(), m_keys.end(),
                                          [&](const Key& k) { return k.key == key.key; });
    if (m_pos < 0 || bStruckAgain || static_cast<int>(m_keys.size()) >= kMaxKeys)
        return false;
    m_keys.push_back(key);
    m_down.insert(key.key);
    return true;
}

std::vector<CMidiChord::Voiced> CMidiChord::Voicing() const
{
    std::vector<Key> keys = m_keys;
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.key < b.key; });
    std::vector<Voiced> voiced;
    for (std::size_t i = 0; i < keys.size(); ++i)
        voiced.push_back({(m_nVoice + static_cast<int>(i)) % kMaxKeys, keys[i]});
    return voiced;
}
