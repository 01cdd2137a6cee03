// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundDialogs.h"

#include "dialogs/SoundManageDialog.h"
#include "dialogs/SoundPatternDialog.h"
#include "dialogs/SoundPropertiesDialog.h"
#include "session/SoundSession.h"

#include <QApplication>

bool CSoundDialogs::PatternDialog(QWidget* pParent, const std::string& title, int& nRows,
                                  std::string& name)
{
    CSoundPatternDialog dialog(pParent);
    dialog.m_strTitle = title;
    dialog.m_strName = name;
    dialog.m_nRows = nRows;
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.m_strName;
    nRows = dialog.m_nRows;
    return true;
}

bool CSoundDialogs::PropertiesDialog(QWidget* pParent, int& nBeatsPerMinute, int& nStepSize,
                                     int& nTracksPerBeat, std::int64_t nPlayRangeRows)
{
    CSoundPropertiesDialog dialog(pParent);
    dialog.m_nPlayRangeRows = nPlayRangeRows;
    dialog.m_nBeatsPerMinute = nBeatsPerMinute;
    dialog.m_nStepSize = nStepSize;
    dialog.m_nTracksPerBeat = nTracksPerBeat;
    if (dialog.exec() != QDialog::Accepted)
        return false;
    nBeatsPerMinute = dialog.m_nBeatsPerMinute;
    nStepSize = dialog.m_nStepSize;
    nTracksPerBeat = dialog.m_nTracksPerBeat;
    return true;
}

void CSoundDialogs::ManagePatternsDialog(QWidget* pParent, CSoundSession& session)
{
    CSoundManageDialog dialog(pParent);
    dialog.m_pSession = &session;
    dialog.m_pDoc = session.GetDocument();
    dialog.exec();
}
