// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundPatternDialog.h"

#include "dialogs/PowerOfTwoSpinBox.h"

CSoundPatternDialog::CSoundPatternDialog(QWidget* pParent) : CDialog(IDD_SOUND_PATTERN, pParent)
{
    setObjectName(QStringLiteral("SoundPatternDialog"));
    CreateControls();
}

CUpDownSpinBox* CSoundPatternDialog::CreateSpinBox(UINT)
{
    return new CPowerOfTwoSpinBox;
}

void CSoundPatternDialog::OnInitDialog()
{
    setWindowTitle(QString::fromStdString(m_strTitle));
    GetItem<CUpDownSpinBox>(IDC_PATTERN_ROWS_SPIN)->SetStepRange(1, 1024);
    SetDlgItemText(IDC_PATTERN_NAME, m_strName);
    SetDlgItemInt(IDC_PATTERN_ROWS, m_nRows);
}

bool CSoundPatternDialog::SaveData()
{
    std::string name;
    int nRows = 0;
    if (!GetDlgItemText(IDC_PATTERN_NAME, kMaxNameLength, name) ||
        !GetDlgItemInt(IDC_PATTERN_ROWS, 1, 1024, nRows))
        return false;
    m_strName = name;
    m_nRows = nRows;
    return true;
}
