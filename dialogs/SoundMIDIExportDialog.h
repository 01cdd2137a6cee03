// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/Dialog.h"

#include <array>
#include <cstdint>

class QComboBox;

// A General MIDI instrument for each tone voice, chosen before a MIDI export; it says so when
// the notes' own instruments are left out.
class CSoundMIDIExportDialog : public CDialog
{
    Q_OBJECT

public:
    explicit CSoundMIDIExportDialog(QWidget* pParent = nullptr, bool bNotesPlayInstruments = false);

    // Program numbers 0-127 of Voice 0, Voice 1 and Voice 2.
    std::array<std::int32_t, 3> m_nInstrument{};

protected:
    void OnInitDialog() override;
    bool SaveData() override;

private:
    std::array<QComboBox*, 3> m_instrumentLists{};
};
