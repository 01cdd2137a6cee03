// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/ImportedSong.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A MIDI track written event by event: a delta time in MIDI ticks, then the event's bytes.
class CMidiTrack
{
public:
    using Delta = std::uint32_t;
    CMidiTrack& Event(Delta delta, std::initializer_list<int> bytes);
    auto& On(Delta t, int ch, int key, int vel = 127) { return Event(t, {0x90 | ch, key, vel}); }
    auto& Off(Delta t, int ch, int key) { return Event(t, {0x80 | ch, key, 64}); }
    // On, then Off n ticks later.
    auto& Note(Delta t, int ch, int key, Delta n) { return On(t, ch, key).Off(n, ch, key); }
    // Every key on at once, and off together length ticks later.
    CMidiTrack& Chord(Delta delta, int channel, std::initializer_list<int> keys, Delta length)
    {
        for (const int key : keys)
            On(std::exchange(delta, 0), channel, key);
        for (const int key : keys)
            Off(std::exchange(length, 0), channel, key);
        return *this;
    }
    auto& Tempo(Delta t, int us)
    {
        return Event(t, {0xFF, 0x51, 3, us >> 16 & 255, us >> 8 & 255, us & 255});
    }
    auto& Control(Delta t, int ch, int cc, int v) { return Event(t, {0xB0 | ch, cc, v}); }
    // v -8192 to 8191.
    auto& Bend(Delta t, int ch, int v)
    {
        return Event(t, {0xE0 | ch, (v + 8192) & 127, (v + 8192) >> 7});
    }
    auto& BendRange(Delta t, int ch, int n)
    {
        return Control(t, ch, 101, 0)
            .Control(0, ch, 100, 0)
            .Control(0, ch, 6, n)
            .Control(0, ch, 38, 0);
    }
    auto& End(Delta delta = 0) { return Event(delta, {0xFF, 0x2F, 0}); }
    Bytes bytes;
};

Bytes MidiFile(const std::vector<CMidiTrack>& tracks, int division = 480, int format = 1);
// Five notes at once on channel 1 (one too low for the voices, one cut), a second channel's
// note after them, and a drum hit on channel 10; 480 ticks a quarter.
Bytes CrowdedMidiSong();

// A VGM 1.51 log of one SN76489 and the commands given, ending in 0x66.
Bytes VgmFile(const Bytes& commands, std::uint32_t totalSamples, std::uint32_t clock = 3579545);
// The chip's bytes for a tone: latch with the low bits, then the high six bits.
Bytes VgmTone(int voice, int divisor);
Bytes VgmAtten(int voice, int atten);
Bytes VgmWait(std::uint16_t samples);
Bytes operator+(Bytes a, const Bytes& b);
Bytes Gzip(const Bytes& bytes);

// The records an AGI resource holds, each as it is written, without the silences that only
// fill gaps (a tone at divisor 15 or any noise at attenuation 15).
std::array<std::vector<SongRecord>, 4> ResourceRecords(const std::vector<std::uint8_t>& resource);
// The song's records that sound the same way.
std::array<std::vector<SongRecord>, 4> AudibleRecords(const ImportedSong& song);

// "start+ticks:setting/atten", for readable failures.
void PrintTo(const SongRecord& record, std::ostream* os);
