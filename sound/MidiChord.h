// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <set>
#include <vector>

// The keys of one chord struck on a MIDI keyboard during step entry, and the tone voice each
// goes to at the chord's song row: the lowest key on the voice the chord began on, the others
// upwards on the voices after it. A chord lasts while any of its keys is down.
class CMidiChord
{
public:
    static constexpr int kMaxKeys = 3;

    struct Key
    {
        int key = 0;
        std::uint8_t atten = 0;
    };
    struct Voiced
    {
        int voice = 0;
        Key key;
    };

    // The first key, at song row pos (-1: the cursor's row is not on the song, and no other
    // key can join) on tone voice 0–2.
    void Begin(std::int32_t pos, int voice, const Key& key);
    // Whether a key of the chord is down: a key struck now joins it.
    bool IsDown() const { return !m_down.empty(); }
    // False when it cannot join: no song row, or every tone voice has a key.
    bool Join(const Key& key);
    void Release(int key) { m_down.erase(key); }

    std::int32_t GetPos() const { return m_pos; }
    std::vector<Voiced> Voicing() const;

private:
    std::int32_t m_pos = -1;
    int m_nVoice = 0;
    std::vector<Key> m_keys;
    std::set<int> m_down;
};
