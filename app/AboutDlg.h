// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The About box: program icon, name and version, and an OK button.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    // strDevice names the sound output in use and its latency; empty when sound is off.
    // nUnderflows counts the dropouts heard.
    explicit CAboutDlg(const QString& strDevice, unsigned nUnderflows = 0,
                       QWidget* pParent = nullptr);
};
