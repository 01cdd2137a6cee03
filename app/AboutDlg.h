// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The About box: program icon, name and version, and an OK button.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    // strDevice names the sound output in use; empty when sound is off. nUnderflows counts
    // the times it ran dry.
    explicit CAboutDlg(const QString& strDevice, unsigned nUnderflows = 0,
                       QWidget* pParent = nullptr);
};
