// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

// Asks which General MIDI program each tone voice gets before a MIDI export (the editor's
// MIDI Export dialog).
class IMidiInstrumentSource
{
public:
    virtual ~IMidiInstrumentSource() = default;
    // programs holds the preselection, one program 0-127 per voice. Returns true with the
    // choice, or false when the person cancelled.
    virtual bool ChooseInstruments(std::array<int, 3>& programs) = 0;
};

// The process-wide source; null restores the default, which accepts the preselection
// without asking.
void SetMidiInstrumentSource(IMidiInstrumentSource* pSource);
IMidiInstrumentSource& GetMidiInstrumentSource();
