// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

// Offers the sounds a program left unsaved when it ended without closing them.
class CRecoveryDialog : public QDialog
{
    Q_OBJECT
public:
    enum Choice
    {
        Later,
        Recover,
        Discard,
    };

    // names: one line per sound, as the list shows it.
    explicit CRecoveryDialog(const QStringList& names, QWidget* pParent = nullptr);

    Choice GetChoice() const { return m_choice; }

private:
    Choice m_choice = Later;
};
