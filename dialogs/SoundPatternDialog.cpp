// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundPatternDialog.h"

#include "dialogs/PowerOfTwoSpinBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CSoundPatternDialog::CSoundPatternDialog(QWidget* pParent)
    : CDialog(pParent), m_pNameEdit(new QLineEdit(this)), m_pRowsEdit(new CPowerOfTwoSpinBox(this))
{
    setObjectName(QStringLiteral("SoundPatternDialog"));
    setWindowTitle(tr("Pattern Dialog"));
    m_pNameEdit->setObjectName(QStringLiteral("name"));
    m_pRowsEdit->setObjectName(QStringLiteral("rows"));
    m_pRowsEdit->SetStepRange(1, 1024);
    const auto [pOk, pCancel] = MakeOkCancel();

    // Each field beside the button of its line.
    auto* pGrid = new QGridLayout(this);
    pGrid->addWidget(MakeLabel(tr("Name"), m_pNameEdit), 0, 0);
    pGrid->addWidget(m_pNameEdit, 0, 1);
    pGrid->addWidget(pOk, 0, 2);
    pGrid->addWidget(MakeLabel(tr("Rows"), m_pRowsEdit), 1, 0);
    pGrid->addWidget(m_pRowsEdit, 1, 1, Qt::AlignLeft);
    pGrid->addWidget(pCancel, 1, 2);
    SetTabOrder({pOk, pCancel, m_pNameEdit, m_pRowsEdit});
}

void CSoundPatternDialog::OnInitDialog()
{
    setWindowTitle(QString::fromStdString(m_strTitle));
    ShowText(m_pNameEdit, m_strName);
    ShowNumber(m_pRowsEdit, m_nRows);
}

bool CSoundPatternDialog::SaveData()
{
    std::string name;
    int nRows = 0;
    if (!ReadText(m_pNameEdit, kMaxNameLength, name) || !ReadNumber(m_pRowsEdit, 1, 1024, nRows))
        return false;
    m_strName = name;
    m_nRows = nRows;
    return true;
}
