// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDlg.h"

#include "resources/Icons.h"
#include "resources/ResourceTables.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(const QString& strDevice, const DropoutCounts& dropouts, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(QString::fromUtf8(g_pszAboutTitle));
    setObjectName(QStringLiteral("AboutDlg"));

    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(ApplicationIcon().pixmap(32, 32));
    pIcon->setAlignment(Qt::AlignTop);

    auto* pText = new QVBoxLayout;
    auto* pVersion = new QLabel(QString::fromUtf8(g_pszAboutVersionLine), this);
    pVersion->setObjectName(QStringLiteral("VersionLine"));
    pText->addWidget(pVersion);
    pText->addWidget(new QLabel(QStringLiteral("Sound editor for AGI sound resources"), this));
    pText->addWidget(
        new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(TARVOK_VERSION)), this));
    pText->addWidget(new QLabel(QStringLiteral("Copyright \u00A9 Zantiva Software"), this));
    auto* pDevice = new QLabel(QStringLiteral("Sound output: %1")
                                   .arg(strDevice.isEmpty() ? QStringLiteral("off") : strDevice),
                               this);
    pDevice->setObjectName(QStringLiteral("DeviceLine"));
    pText->addWidget(pDevice);
    auto* pUnderflows = new QLabel(
        QStringLiteral("Sound dropouts: %1").arg(QString::fromStdString(dropouts.Describe())), this);
    pUnderflows->setObjectName(QStringLiteral("UnderflowLine"));
    pText->addWidget(pUnderflows);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon);
    pRow->addSpacing(12);
    pRow->addLayout(pText, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pButtons);
    setLayout(pLayout);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}
