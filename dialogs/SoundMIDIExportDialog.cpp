// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundMIDIExportDialog.h"

#include "sound/MidiInstrumentNames.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
constexpr int kVisibleInstruments = 8;
} // namespace

CSoundMIDIExportDialog::CSoundMIDIExportDialog(QWidget* pParent, bool bNotesPlayInstruments)
    : CDialog(pParent)
{
    setObjectName(QStringLiteral("SoundMIDIExportDialog"));
    setWindowTitle(tr("MIDI Export"));
    QStringList names;
    for (const char* pszName : g_generalMidiNames)
        names.append(QString::fromUtf8(pszName));
    const auto [pOk, pCancel] = MakeOkCancel();

    auto* pSettings = new QGroupBox(tr("Settings"), this);
    auto* pForm = new QFormLayout(pSettings);
    for (std::size_t voice = 0; voice < m_instrumentLists.size(); ++voice)
    {
        auto* pList = new QComboBox(this);
        pList->setObjectName(QStringLiteral("instrument%1").arg(voice));
        pList->addItems(names);
        pList->setMaxVisibleItems(kVisibleInstruments);
        pForm->addRow(MakeLabel(tr("Voice %1").arg(voice), pList), pList);
        m_instrumentLists[voice] = pList;
    }

    auto* pNoise = new QLabel(tr("Notes on the noise channel go to a fourth track, as drums on "
                                 "MIDI channel 10."),
                              this);
    pNoise->setObjectName(QStringLiteral("noiseTrack"));
    pNoise->setWordWrap(true);

    auto* pGrid = new QGridLayout(this);
    pGrid->addWidget(pSettings, 0, 0);
    pGrid->addWidget(pNoise, 1, 0);
    if (bNotesPlayInstruments)
    {
        auto* pPlain = new QLabel(tr("Notes are written without their instruments."), this);
        pPlain->setObjectName(QStringLiteral("instrumentsLeftOut"));
        pPlain->setWordWrap(true);
        pGrid->addWidget(pPlain, 2, 0);
    }
    pGrid->addLayout(ButtonColumn({pOk, pCancel}), 0, 1, 3, 1);
    SetTabOrder({pOk, pCancel, m_instrumentLists[0], m_instrumentLists[1], m_instrumentLists[2]});
}

void CSoundMIDIExportDialog::OnInitDialog()
{
    for (std::size_t voice = 0; voice < m_nInstrument.size(); ++voice)
    {
        // A program the list does not hold shows the first instrument.
        const int nProgram = m_nInstrument[voice];
        m_instrumentLists[voice]->setCurrentIndex(
            nProgram >= 0 && nProgram < kGeneralMidiPrograms ? nProgram : 0);
    }
}

bool CSoundMIDIExportDialog::SaveData()
{
    for (std::size_t voice = 0; voice < m_nInstrument.size(); ++voice)
        m_nInstrument[voice] = m_instrumentLists[voice]->currentIndex();
    return true;
}
