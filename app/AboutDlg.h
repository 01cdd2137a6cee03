// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/DropoutCounter.h"

#include <QDialog>

// The About box: program icon, name and version, and an OK button.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    // strDevice names the sound output in use and its latency; empty when sound is off.
    // dropouts counts the gaps heard, by where they came from.
    explicit CAboutDlg(const QString& strDevice, const DropoutCounts& dropouts = {},
                       QWidget* pParent = nullptr);
};
