// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/SoundServices.h"
#include "sound/MidiInstrumentSource.h"

// The editor's real dialogs behind the interfaces the editors and the MIDI export ask through.
class CSoundDialogs : public ISoundDialogs, public IMidiInstrumentSource
{
public:
    bool PatternDialog(QWidget* pParent, const std::string& title, int& nRows,
                       std::string& name) override;
    bool PropertiesDialog(QWidget* pParent, int& nBeatsPerMinute, int& nStepSize,
                          int& nTracksPerBeat) override;
    void ManagePatternsDialog(QWidget* pParent, CSoundSession& session) override;
    bool ChooseInstruments(std::array<int, 3>& programs) override;
};
