// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/Dialog.h"

class CUpDownSpinBox;

// The tempo and the editing step size of a sound.
class CSoundPropertiesDialog : public CDialog
{
    Q_OBJECT

public:
    explicit CSoundPropertiesDialog(QWidget* pParent = nullptr);

    int m_nBeatsPerMinute = 0;
    int m_nStepSize = 0;
    int m_nTracksPerBeat = 0;

protected:
    void OnInitDialog() override;
    bool SaveData() override;

private:
    CUpDownSpinBox* m_pTracksPerBeat;
    CUpDownSpinBox* m_pBeatsPerMinute;
    CUpDownSpinBox* m_pStepSize;
};
