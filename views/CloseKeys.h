// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QWidget;

// Escape and Ctrl+W close a tool window, before any shortcut of the main window can take them.
class CCloseKeys : public QObject
{
    Q_OBJECT
public:
    static void Install(QWidget* pWindow);

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    explicit CCloseKeys(QWidget* pWindow);
    QWidget* m_pWindow;
};
