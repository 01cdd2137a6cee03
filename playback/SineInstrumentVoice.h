// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/RowSequencer.h"
#include "sound/Instrument.h"
#include "sound/InstrumentVoice.h"

#include <cstdint>

class CSoundDoc;

// One sine voice while it plays a note with an instrument: each tick it sounds the pitch the
// chip would play for the divisor the instrument gives, at the level of its attenuation, and
// it sounds on through a release after the note is let go. The sine's plain voice plays every
// other row.
class CSineInstrumentVoice
{
public:
    // Forgets the note: the next one starts afresh.
    void Reset() { m_mode = Mode::Plain; }
    // Takes the channel's row (queue entries: previous, current, next); true when this voice
    // plays it. Copies the instrument, so the slices need no guard.
    bool BeginRow(const CRowQueue& queue, const CSoundDoc& doc);
    // One tick of the row: n samples from row position rowPos, with the sine's ramp (ramp
    // samples long) at the note's start and where the row's end cuts it.
    void RenderTick(std::int16_t* pOut, unsigned n, unsigned rowPos, unsigned rowSamples,
                    const double* pRamp, unsigned ramp);

private:
    enum class Mode
    {
        Plain,     // the plain voice has the row
        Held,      // the note is held
        Releasing, // the note sounds on through a rest
    };
    void StartNote(const RowEntry& entry, const CInstrument& instrument);
    // Whether the next row leaves this voice silent.
    bool EndsBefore(const RowEntry& next) const;

    Mode m_mode = Mode::Plain;
    CInstrument m_instrument;
    CInstrumentVoice m_voice{false};
    bool m_bFadeIn = false;
    bool m_bFadeOut = false;
    // The oscillator's phase in radians, kept across ticks so a pitch change does not click.
    double m_phase = 0.0;
};
