// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecoveryDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CRecoveryDialog::CRecoveryDialog(const QStringList& names, QWidget* pParent) : QDialog(pParent)
{
    setObjectName(QStringLiteral("RecoveryDialog"));
    setWindowTitle(tr("Recover unsaved sounds"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pText = new QLabel(
        tr("Tarvok ended without saving these sounds. Recover them to keep working on them."),
        this);
    pText->setWordWrap(true);
    pLayout->addWidget(pText);
    auto* pList = new QListWidget(this);
    pList->addItems(names);
    pList->setSelectionMode(QAbstractItemView::NoSelection);
    pList->setFocusPolicy(Qt::NoFocus);
    pLayout->addWidget(pList);

    auto* pBox = new QDialogButtonBox(this);
    QPushButton* pButtons[3] = {};
    pButtons[Recover] = pBox->addButton(tr("&Recover"), QDialogButtonBox::AcceptRole);
    pButtons[Discard] = pBox->addButton(tr("&Discard"), QDialogButtonBox::DestructiveRole);
    pButtons[Later] = pBox->addButton(tr("&Later"), QDialogButtonBox::RejectRole);
    pButtons[Recover]->setDefault(true);
    pButtons[Recover]->setFocus();
    pLayout->addWidget(pBox);
    for (const Choice choice : {Later, Recover, Discard})
        connect(pButtons[choice], &QPushButton::clicked, this,
                [this, choice]
                {
                    m_choice = choice;
                    done(choice == Later ? QDialog::Rejected : QDialog::Accepted);
                });
    // Escape and the window's close button keep the copies for another time.
    connect(this, &QDialog::rejected, this, [this] { m_choice = Later; });
}
