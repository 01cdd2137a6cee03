// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundManageDialog.h"

#include "dialogs/UpDownSpinBox.h"
#include "framework/UserInterface.h"
#include "sound/SoundDoc.h"
#include "views/SoundUndoCommands.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <climits>
#include <cstdio>
#include <mutex>

namespace
{
constexpr int kPatternRole = Qt::UserRole;
}

CSoundManageDialog::CSoundManageDialog(QWidget* pParent) : CDialog(IDD_SOUND_MANAGE, pParent)
{
    setObjectName(QStringLiteral("SoundManageDialog"));
    CreateControls();
    m_pChannel = GetItem<QComboBox>(IDC_MANAGE_CHANNEL);
    m_pList = GetItem<QListWidget>(IDC_MANAGE_LIST);
    m_pNameEdit = GetItem<QLineEdit>(IDC_MANAGE_NAME);
    m_pRowsEdit = GetItem<CUpDownSpinBox>(IDC_MANAGE_ROWS);
    m_pChange = GetItem<QPushButton>(IDC_MANAGE_CHANGE);
    m_pDelete = GetItem<QPushButton>(IDC_MANAGE_DELETE);
    m_pCreateCopy = GetItem<QPushButton>(IDC_MANAGE_COPY);
    m_pRowsEdit->SetStepRange(1, 1024);

    connect(m_pChannel, &QComboBox::currentIndexChanged, this,
            &CSoundManageDialog::OnSelChangeChannel);
    connect(m_pList, &QListWidget::itemSelectionChanged, this,
            &CSoundManageDialog::OnPatternChanged);
    connect(GetItem<QPushButton>(IDC_MANAGE_NEW), &QPushButton::clicked, this,
            &CSoundManageDialog::OnNew);
    connect(m_pCreateCopy, &QPushButton::clicked, this, &CSoundManageDialog::OnCreateCopy);
    connect(m_pDelete, &QPushButton::clicked, this, &CSoundManageDialog::OnDelete);
    connect(m_pChange, &QPushButton::clicked, this, &CSoundManageDialog::OnChange);
    connect(m_pNameEdit, &QLineEdit::textChanged, this, &CSoundManageDialog::OnFieldEdited);
    connect(m_pRowsEdit, &QSpinBox::textChanged, this, &CSoundManageDialog::OnFieldEdited);
}

void CSoundManageDialog::OnInitDialog()
{
    ShowFields();
    {
        const QSignalBlocker blocker(m_pChannel);
        for (const char* pszChannel : g_channelNames)
            m_pChannel->addItem(QString::fromUtf8(pszChannel));
        m_pChannel->setCurrentIndex(0);
    }
    FillList(0);
}

CSoundPattern* CSoundManageDialog::GetSelectedPattern() const
{
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    // Only a pattern the document still holds is handed out.
    return m_pDoc != nullptr ? m_pDoc->FindPattern(selected.front()->data(kPatternRole).toUInt())
                             : nullptr;
}

void CSoundManageDialog::ShowFields()
{
    m_bShowingFields = true;
    SetDlgItemText(IDC_MANAGE_NAME, m_strName);
    SetDlgItemInt(IDC_MANAGE_ROWS, m_nRows);
    m_bShowingFields = false;
    m_pChange->setEnabled(false);
}

void CSoundManageDialog::EnablePatternControls(bool bEnable)
{
    m_pCreateCopy->setEnabled(bEnable);
    m_pDelete->setEnabled(bEnable);
    m_pNameEdit->setEnabled(bEnable);
    m_pRowsEdit->setEnabled(bEnable);
}

void CSoundManageDialog::FillList(int nChannel)
{
    if (m_pDoc == nullptr || nChannel < 0 || nChannel >= kChannelCount)
        return;
    {
        std::lock_guard lock(m_pDoc->Guard());
        for (const auto& pPattern : m_pDoc->m_patterns[nChannel])
        {
            auto* pItem = new QListWidgetItem(DisplayName(pPattern->GetName()));
            pItem->setData(kPatternRole, pPattern->GetId());
            m_pList->addItem(pItem);
        }
    }
    if (m_pList->count() > 0)
        m_pList->setCurrentRow(0);
}

void CSoundManageDialog::OnSelChangeChannel()
{
    const int nChannel = m_pChannel->currentIndex();
    if (nChannel < 0 || m_pDoc == nullptr)
        return;
    m_pList->clear();
    m_strName.clear();
    {
        std::lock_guard lock(m_pDoc->Guard());
        m_nRows = m_pDoc->m_nStepSize;
    }
    ShowFields();
    EnablePatternControls(false);
    FillList(nChannel);
}

void CSoundManageDialog::OnPatternChanged()
{
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr)
        return;
    {
        std::lock_guard lock(m_pDoc->Guard());
        m_strName = pPattern->GetName();
        m_nRows = pPattern->GetRows();
    }
    ShowFields();
    EnablePatternControls(true);
}

void CSoundManageDialog::OnFieldEdited()
{
    if (!m_bShowingFields && GetSelectedPattern() != nullptr)
        m_pChange->setEnabled(true);
}

void CSoundManageDialog::AppendAndSelect(CSoundPattern* pPattern)
{
    auto* pItem = new QListWidgetItem(DisplayName(pPattern->GetName()));
    pItem->setData(kPatternRole, pPattern->GetId());
    m_pList->addItem(pItem);
    m_pList->setCurrentItem(pItem);
    m_pNameEdit->setFocus(Qt::OtherFocusReason);
    m_pNameEdit->selectAll();
}

void CSoundManageDialog::OnNew()
{
    const int nChannel = m_pChannel->currentIndex();
    if (nChannel < 0 || m_pDoc == nullptr)
        return;
    char szName[16];
    int nRows;
    {
        std::lock_guard lock(m_pDoc->Guard());
        std::snprintf(szName, sizeof szName, "%03d", m_pDoc->m_nNextPattern[nChannel]);
        nRows = m_pDoc->m_nStepSize;
    }
    CSoundPattern* pPattern =
        m_pDoc->FindPattern(SoundEdits::NewPattern(m_pDoc, {}, nChannel, nRows, szName));
    if (pPattern == nullptr)
    {
        AfxMessageBox(g_pszMsgCouldNotCreatePattern);
        return;
    }
    AppendAndSelect(pPattern);
}

void CSoundManageDialog::OnCreateCopy()
{
    const int nChannel = m_pChannel->currentIndex();
    CSoundPattern* pSource = GetSelectedPattern();
    if (nChannel < 0 || pSource == nullptr)
        return;
    CSoundPattern* pCopy =
        m_pDoc->FindPattern(SoundEdits::CopyPattern(m_pDoc, {}, pSource->GetId()));
    if (pCopy == nullptr)
    {
        AfxMessageBox(g_pszMsgCouldNotCreatePattern);
        return;
    }
    AppendAndSelect(pCopy);
}

void CSoundManageDialog::OnDelete()
{
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr)
        return;
    if (AfxMessageBox(g_pszMsgDeletePattern, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) !=
        IDYES)
        return;
    SoundEdits::DeletePattern(m_pDoc, {}, pPattern->GetId());
    OnSelChangeChannel();
}

void CSoundManageDialog::OnChange()
{
    int nRows = 0;
    std::string name;
    if (!GetDlgItemText(IDC_MANAGE_NAME, INT_MAX, name) ||
        !GetDlgItemInt(IDC_MANAGE_ROWS, 1, 1024, nRows))
        return;
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr)
        return;
    SoundEdits::ChangePattern(m_pDoc, {}, pPattern->GetId(), name, nRows);
    m_strName = name;
    m_nRows = nRows;
    m_pList->selectedItems().front()->setText(DisplayName(name));
    m_pChange->setEnabled(false);
    // The editors show the pattern's name and rows: let them redraw and rescale.
    m_pDoc->UpdateAllViews(nullptr);
}
