// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/GameTargetDialog.h"

#include "dialogs/Dialog.h"
#include "dialogs/GameListing.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CGameTargetDialog::CGameTargetDialog(const QStringList& recentGames, int nSound,
                                     BrowseFolder browse, QWidget* pParent)
    : QDialog(pParent), m_browse(std::move(browse)), m_nWanted(nSound)
{
    setObjectName(QStringLiteral("GameTarget"));
    setWindowTitle(QStringLiteral("Save into Game"));
    m_pFolder = new QComboBox(this);
    m_pFolder->setObjectName(QStringLiteral("folder"));
    m_pFolder->setEditable(true);
    m_pFolder->addItems(recentGames);
    m_pFolder->setMinimumContentsLength(40);
    auto* pBrowse = new QPushButton(QStringLiteral("Browse…"), this);
    pBrowse->setObjectName(QStringLiteral("browse"));
    auto* pFolderRow = new QHBoxLayout;
    pFolderRow->addWidget(m_pFolder, 1);
    pFolderRow->addWidget(pBrowse);

    m_pNumbers = new QListWidget(this);
    m_pNumbers->setObjectName(QStringLiteral("numbers"));
    m_pNumbers->setAccessibleName(QStringLiteral("Sound number"));
    m_pProblem = new QLabel(this);
    m_pProblem->setObjectName(QStringLiteral("problem"));
    m_pProblem->setWordWrap(true);
    m_pProblem->hide();

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = pButtons->button(QDialogButtonBox::Ok);
    m_pOk->setText(QStringLiteral("Save"));
    m_pOk->setObjectName(QStringLiteral("save"));
    pButtons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    m_pOk->setEnabled(false);

    auto* pForm = new QFormLayout;
    auto* pFolderLabel = new QLabel(QStringLiteral("Game folder:"), this);
    pFolderLabel->setBuddy(m_pFolder);
    pForm->addRow(pFolderLabel, pFolderRow);
    pForm->addRow(QStringLiteral("Sound number:"), m_pNumbers);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(m_pProblem);
    pLayout->addWidget(pButtons);

    connect(pBrowse, &QPushButton::clicked, this, &CGameTargetDialog::OnBrowse);
    connect(m_pFolder, &QComboBox::activated, this,
            [this] { ShowFolder(m_pFolder->currentText()); });
    connect(m_pFolder->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { ShowFolder(m_pFolder->currentText()); });
    connect(m_pNumbers, &QListWidget::currentRowChanged, this,
            [this](int row) { m_pOk->setEnabled(row >= 0); });
    connect(m_pNumbers, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(TextSize(this, 86, 25));
    if (!recentGames.isEmpty())
        ShowFolder(recentGames.front());
}

void CGameTargetDialog::OnBrowse()
{
    if (!m_browse)
        return;
    const std::string dir = m_browse();
    if (dir.empty())
        return;
    m_pFolder->setEditText(QString::fromStdString(dir));
    ShowFolder(m_pFolder->currentText());
}

void CGameTargetDialog::ShowFolder(const QString& dir)
{
    if (dir == m_listed && !m_sounds.empty())
        return;
    if (GetNumber() >= 0)
        m_nWanted = GetNumber();
    m_listed = dir;
    m_sounds.clear();
    m_pFolder->setEditText(dir);
    CGameFolder game;
    bool bCancelled = false;
    std::string error = game.Open(dir.toStdString());
    if (error.empty())
        error = ListGameSoundsAside(game, m_sounds, this, &bCancelled);
    if (bCancelled)
    {
        // Listed again when asked for again.
        m_listed.clear();
        error = "The sounds of this folder were not listed: the listing was cancelled";
    }
    m_pProblem->setText(QString::fromStdString(error));
    m_pProblem->setVisible(!error.empty());
    if (!error.empty())
        m_sounds.clear();
    FillNumbers();
}

void CGameTargetDialog::FillNumbers()
{
    m_pNumbers->clear();
    if (m_pProblem->isVisible())
        return;
    int nChosen = -1;
    for (int n = 0; n <= kMaxResourceNumber; ++n)
    {
        const GameSoundInfo* pSound = FindSound(n);
        QString text = QString::number(n) + QStringLiteral("   ");
        if (pSound == nullptr)
            text += QStringLiteral("free");
        else if (!pSound->damaged.empty())
            text += QStringLiteral("damaged sound");
        else
            text += QStringLiteral("sound, %1").arg(GameSoundLength(pSound->ticks));
        auto* pItem = new QListWidgetItem(text, m_pNumbers);
        pItem->setData(Qt::UserRole, n);
        if (n == m_nWanted || (nChosen < 0 && m_nWanted < 0 && pSound == nullptr))
            nChosen = n;
    }
    m_pNumbers->setCurrentRow(nChosen);
    if (nChosen >= 0)
        m_pNumbers->scrollToItem(m_pNumbers->currentItem());
}

const GameSoundInfo* CGameTargetDialog::FindSound(int n) const
{
    for (const GameSoundInfo& sound : m_sounds)
        if (sound.number == n)
            return &sound;
    return nullptr;
}

QString CGameTargetDialog::GetFolder() const
{
    return m_listed;
}

int CGameTargetDialog::GetNumber() const
{
    const QListWidgetItem* pItem = m_pNumbers->currentItem();
    return pItem == nullptr ? -1 : pItem->data(Qt::UserRole).toInt();
}

std::string CGameTargetDialog::DescribeReplaced() const
{
    const GameSoundInfo* pSound = FindSound(GetNumber());
    if (pSound == nullptr)
        return {};
    std::string text = "sound " + std::to_string(pSound->number);
    if (!pSound->damaged.empty())
        return text + " (damaged)";
    return text + " (" + GameSoundLength(pSound->ticks).toStdString() + ", " +
           std::to_string(pSound->bytes) + " bytes)";
}
