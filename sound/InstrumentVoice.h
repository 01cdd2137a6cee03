// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/Instrument.h"
#include "sound/SoundPattern.h"

#include <array>

// What one voice plays in one game tick: a tone's divisor (1-1023) or the noise channel's
// setting (rate in bits 0-1, white noise in bit 2), and the attenuation (15 silent).
struct VoiceTick
{
    int setting = 0;
    int atten = 15;
    bool operator==(const VoiceTick&) const = default;
};

// A note shaped by its instrument, tick by tick. From the note's first tick each sequence
// runs one value a tick; a held note that reaches a sequence's release index (or its end)
// goes back to its loop index, or holds its last value without one. Let go at a rest, the
// volume runs on from its release index to its end at the note's last attenuation, the
// other sequences keeping their last values, and then the voice is silent.
class CInstrumentVoice
{
public:
    explicit CInstrumentVoice(bool bNoise) : m_bNoise(bNoise) {}

    // A new note: every sequence starts again. The cell gives the note (and any exact
    // divisor) or the noise setting; atten is the channel's attenuation for it.
    void Start(const SoundCell& cell, int atten, const CInstrument& instrument);
    // The channel's attenuation changes while the note is held.
    void SetAttenuation(int atten) { m_nAtten = atten & 0x0F; }
    // The note is let go; true when it sounds on through a release.
    bool Release();
    // The next tick; silent once a release has run out.
    VoiceTick Next();
    // Every tick from here on repeats the last one Next gave, as long as nothing else is
    // called: a long held note costs a few steps.
    bool IsSteady() const;

    // The tone divisor of a note (or exact divisor) moved by semitones and cents.
    static int ToneDivisor(const SoundCell& cell, int semitones, int cents);

private:
    struct Cursor
    {
        const InstrumentSequence* pSequence = nullptr; // null: the instrument has none
        int next = 0;
        int played = 0;
        // The loop's values are all one, so looping changes nothing.
        bool bConstantLoop = false;

        void Reset(const InstrumentSequence& sequence);
        int Value() const;
        int Play();
        bool IsSteady() const;
    };
    Cursor& CursorOf(SequenceKind kind) { return m_cursors[static_cast<std::size_t>(kind)]; }
    const Cursor& CursorOf(SequenceKind kind) const
    {
        return m_cursors[static_cast<std::size_t>(kind)];
    }
    VoiceTick Sound(int volume, int semitones, int cents, int noise) const;

    bool m_bNoise;
    SoundCell m_cell;
    int m_nAtten = 0;
    std::array<Cursor, kSequenceKindCount> m_cursors;
    bool m_bReleasing = false;
    int m_nReleasePos = 0;
    // What the held note last played: a release keeps its pitch.
    VoiceTick m_lastHeld;
};
