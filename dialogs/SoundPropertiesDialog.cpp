// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundPropertiesDialog.h"

#include "dialogs/PowerOfTwoSpinBox.h"
#include "sound/GameTempo.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CSoundPropertiesDialog::CSoundPropertiesDialog(QWidget* pParent)
    : CDialog(pParent),
      m_pTracksPerBeat(new CUpDownSpinBox(this)),
      m_pBeatsPerMinute(new CUpDownSpinBox(this)),
      m_pStepSize(new CPowerOfTwoSpinBox(this)), m_pGameTempo(new QLabel(this))
{
    setObjectName(QStringLiteral("SoundPropertiesDialog"));
    setWindowTitle(tr("Resource properties"));
    m_pTracksPerBeat->setObjectName(QStringLiteral("tracksPerBeat"));
    m_pBeatsPerMinute->setObjectName(QStringLiteral("beatsPerMinute"));
    m_pStepSize->setObjectName(QStringLiteral("stepSize"));
    m_pBeatsPerMinute->SetStepRange(1, 256);
    m_pTracksPerBeat->SetStepRange(1, 256);
    m_pStepSize->SetStepRange(1, 1024);
    const auto [pOk, pCancel] = MakeOkCancel();

    m_pGameTempo->setObjectName(QStringLiteral("gameTempo"));
    auto* pTempo = new QGroupBox(tr("Tempo"), this);
    auto* pTempoForm = new QFormLayout(pTempo);
    auto* pRows = new QHBoxLayout;
    pRows->addWidget(m_pTracksPerBeat);
    pRows->addWidget(new QLabel(tr("rows per beat"), this));
    pTempoForm->addRow(MakeLabel(tr("Tracks Per Beat"), m_pTracksPerBeat), pRows);
    pTempoForm->addRow(MakeLabel(tr("Beats Per Minute"), m_pBeatsPerMinute), m_pBeatsPerMinute);
    pTempoForm->addRow(m_pGameTempo);
    for (CUpDownSpinBox* pField : {m_pTracksPerBeat, m_pBeatsPerMinute})
        connect(pField, &QSpinBox::textChanged, this, &CSoundPropertiesDialog::ShowGameTempo);
    auto* pEditing = new QGroupBox(tr("Editing"), this);
    auto* pEditingForm = new QFormLayout(pEditing);
    pEditingForm->addRow(MakeLabel(tr("Step Size"), m_pStepSize), m_pStepSize);

    auto* pGrid = new QGridLayout(this);
    pGrid->addWidget(pTempo, 0, 0);
    pGrid->addWidget(pEditing, 1, 0);
    pGrid->addLayout(ButtonColumn({pOk, pCancel}), 0, 1, 2, 1);
    SetTabOrder({pOk, pCancel, m_pTracksPerBeat, m_pBeatsPerMinute, m_pStepSize});
}

void CSoundPropertiesDialog::OnInitDialog()
{
    ShowNumber(m_pBeatsPerMinute, m_nBeatsPerMinute);
    ShowNumber(m_pStepSize, m_nStepSize);
    ShowNumber(m_pTracksPerBeat, m_nTracksPerBeat);
    ShowGameTempo();
}

void CSoundPropertiesDialog::ShowGameTempo()
{
    bool bTracks = false;
    bool bBeats = false;
    const int nTracksPerBeat = m_pTracksPerBeat->cleanText().trimmed().toInt(&bTracks);
    const int nBeatsPerMinute = m_pBeatsPerMinute->cleanText().trimmed().toInt(&bBeats);
    // Nothing until both numbers are ones the dialog takes.
    const bool bValid = bTracks && bBeats && nTracksPerBeat >= 1 && nTracksPerBeat <= 256 &&
                        nBeatsPerMinute >= 1 && nBeatsPerMinute <= 256;
    m_pGameTempo->setText(bValid ? QString::fromStdString(CGameTempo(nTracksPerBeat, nBeatsPerMinute)
                                                               .Describe(m_nPlayRangeRows))
                                 : QString());
}

bool CSoundPropertiesDialog::SaveData()
{
    int nBeatsPerMinute = 0;
    int nStepSize = 0;
    int nTracksPerBeat = 0;
    if (!ReadNumber(m_pBeatsPerMinute, 1, 256, nBeatsPerMinute) ||
        !ReadNumber(m_pStepSize, 1, 1024, nStepSize) ||
        !ReadNumber(m_pTracksPerBeat, 1, 256, nTracksPerBeat))
        return false;
    if (CGameTempo(nTracksPerBeat, nBeatsPerMinute).IsTooFast())
    {
        Refuse(m_pBeatsPerMinute, kTempoTooFastText);
        return false;
    }
    m_nBeatsPerMinute = nBeatsPerMinute;
    m_nStepSize = nStepSize;
    m_nTracksPerBeat = nTracksPerBeat;
    return true;
}
