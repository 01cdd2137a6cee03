// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/Dialog.h"

#include <cstdint>

class CUpDownSpinBox;
class QLabel;

// The tempo and the editing step size of a sound, with what the game will play at the tempo
// typed, as it is typed.
class CSoundPropertiesDialog : public CDialog
{
    Q_OBJECT

public:
    explicit CSoundPropertiesDialog(QWidget* pParent = nullptr);

    int m_nBeatsPerMinute = 0;
    int m_nStepSize = 0;
    int m_nTracksPerBeat = 0;
    // The rows of the play range, for its length in the game.
    std::int64_t m_nPlayRangeRows = 0;

protected:
    void OnInitDialog() override;
    bool SaveData() override;

private:
    void ShowGameTempo();

    CUpDownSpinBox* m_pTracksPerBeat;
    CUpDownSpinBox* m_pBeatsPerMinute;
    CUpDownSpinBox* m_pStepSize;
    QLabel* m_pGameTempo;
};
