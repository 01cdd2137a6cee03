// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/Dialog.h"

#include <string>

class CPowerOfTwoSpinBox;

// Name and number of rows of a pattern, under a title the caller chooses.
class CSoundPatternDialog : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kMaxNameLength = 50;

    explicit CSoundPatternDialog(QWidget* pParent = nullptr);

    std::string m_strName;
    int m_nRows = 0;
    std::string m_strTitle;

protected:
    void OnInitDialog() override;
    bool SaveData() override;

private:
    QLineEdit* m_pNameEdit;
    CPowerOfTwoSpinBox* m_pRowsEdit;
};
