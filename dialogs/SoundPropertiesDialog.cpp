// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundPropertiesDialog.h"

#include "dialogs/PowerOfTwoSpinBox.h"

CSoundPropertiesDialog::CSoundPropertiesDialog(QWidget* pParent)
    : CDialog(IDD_SOUND_PROPERTIES, pParent)
{
    setObjectName(QStringLiteral("SoundPropertiesDialog"));
    CreateControls();
}

CUpDownSpinBox* CSoundPropertiesDialog::CreateSpinBox(UINT nUpDownID)
{
    if (nUpDownID == IDC_STEPSIZE_SPIN)
        return new CPowerOfTwoSpinBox;
    return CDialog::CreateSpinBox(nUpDownID);
}

void CSoundPropertiesDialog::OnInitDialog()
{
    GetItem<CUpDownSpinBox>(IDC_BEATSPERMINUTE_SPIN)->SetStepRange(1, 256);
    GetItem<CUpDownSpinBox>(IDC_TRACKSPERBEAT_SPIN)->SetStepRange(1, 256);
    GetItem<CUpDownSpinBox>(IDC_STEPSIZE_SPIN)->SetStepRange(1, 1024);
    SetDlgItemInt(IDC_BEATSPERMINUTE, m_nBeatsPerMinute);
    SetDlgItemInt(IDC_STEPSIZE, m_nStepSize);
    SetDlgItemInt(IDC_TRACKSPERBEAT, m_nTracksPerBeat);
}

bool CSoundPropertiesDialog::SaveData()
{
    int nBeatsPerMinute = 0;
    int nStepSize = 0;
    int nTracksPerBeat = 0;
    if (!GetDlgItemInt(IDC_BEATSPERMINUTE, 1, 256, nBeatsPerMinute) ||
        !GetDlgItemInt(IDC_STEPSIZE, 1, 1024, nStepSize) ||
        !GetDlgItemInt(IDC_TRACKSPERBEAT, 1, 256, nTracksPerBeat))
        return false;
    m_nBeatsPerMinute = nBeatsPerMinute;
    m_nStepSize = nStepSize;
    m_nTracksPerBeat = nTracksPerBeat;
    return true;
}
