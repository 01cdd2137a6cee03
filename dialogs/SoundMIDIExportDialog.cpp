// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundMIDIExportDialog.h"

#include "sound/MidiInstrumentNames.h"

#include <QComboBox>

namespace
{
constexpr UINT kInstrumentLists[] = {IDC_INSTRUMENT0, IDC_INSTRUMENT1, IDC_INSTRUMENT2};
}

CSoundMIDIExportDialog::CSoundMIDIExportDialog(QWidget* pParent)
    : CDialog(IDD_SOUND_MIDIEXPORT, pParent)
{
    setObjectName(QStringLiteral("SoundMIDIExportDialog"));
    CreateControls();
    QStringList names;
    for (const char* pszName : g_generalMidiNames)
        names.append(QString::fromUtf8(pszName));
    for (const UINT nID : kInstrumentLists)
        GetItem<QComboBox>(nID)->addItems(names);
}

void CSoundMIDIExportDialog::OnInitDialog()
{
    for (std::size_t voice = 0; voice < m_nInstrument.size(); ++voice)
    {
        // A program the list does not hold shows the first instrument.
        const int nProgram = m_nInstrument[voice];
        GetItem<QComboBox>(kInstrumentLists[voice])
            ->setCurrentIndex(nProgram >= 0 && nProgram < kGeneralMidiPrograms ? nProgram : 0);
    }
}

bool CSoundMIDIExportDialog::SaveData()
{
    for (std::size_t voice = 0; voice < m_nInstrument.size(); ++voice)
        m_nInstrument[voice] = GetItem<QComboBox>(kInstrumentLists[voice])->currentIndex();
    return true;
}
