// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/SoundServices.h"

// The editor's real dialogs behind the interfaces the editors ask through.
class CSoundDialogs : public ISoundDialogs
{
public:
    bool PatternDialog(QWidget* pParent, const std::string& title, int& nRows,
                       std::string& name) override;
    bool PropertiesDialog(QWidget* pParent, int& nBeatsPerMinute, int& nStepSize,
                          int& nTracksPerBeat, std::int64_t nPlayRangeRows) override;
    void ManagePatternsDialog(QWidget* pParent, CSoundSession& session) override;
};
