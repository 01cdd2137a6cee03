// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QTextBrowser;

// The user manual shipped with the program.
class CHelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* pParent = nullptr);

    QTextBrowser* GetBrowser() const { return m_pBrowser; }

private:
    QTextBrowser* m_pBrowser;
};
