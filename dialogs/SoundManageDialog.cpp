// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SoundManageDialog.h"

#include "dialogs/UpDownSpinBox.h"
#include "framework/TextCodec.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/CellTransforms.h"
#include "sound/SoundDoc.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <mutex>

namespace
{
constexpr int kPatternRole = Qt::UserRole;
constexpr int kOctave = 12;
} // namespace

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
    m_pTranspose = GetItem<QPushButton>(IDC_MANAGE_TRANSPOSE);
    m_pOctaves = GetItem<QRadioButton>(IDC_MANAGE_OCTAVES);
    GetItem<QRadioButton>(IDC_MANAGE_SEMITONES)->setChecked(true);
    SetDlgItemInt(IDC_MANAGE_TRANSPOSE_AMOUNT, 1);
    GetDlgItem(IDC_MANAGE_TRANSPOSE_AMOUNT)
        ->setToolTip(tr("A positive amount transposes up, a negative one down"));
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
    connect(m_pTranspose, &QPushButton::clicked, this, &CSoundManageDialog::OnTranspose);
    connect(m_pNameEdit, &QLineEdit::textChanged, this, &CSoundManageDialog::OnFieldEdited);
    connect(m_pRowsEdit, &QSpinBox::textChanged, this, &CSoundManageDialog::OnFieldEdited);
}

void CSoundManageDialog::OnInitDialog()
{
    ShowFields();
    EnablePatternControls(false);
    int nChannel = 0;
    if (m_pSession != nullptr)
        nChannel = std::clamp(m_pSession->GetSequenceCursor().channel, 0, kChannelCount - 1);
    {
        const QSignalBlocker blocker(m_pChannel);
        for (const char* pszChannel : g_channelNames)
            m_pChannel->addItem(QString::fromUtf8(pszChannel));
        m_pChannel->setCurrentIndex(nChannel);
    }
    FillList(nChannel);
}

bool CSoundManageDialog::HasUnappliedChange() const
{
    if (GetSelectedPattern() == nullptr || !m_pChange->isEnabled())
        return false;
    const QString rows = m_pRowsEdit->text().trimmed();
    return m_pNameEdit->text() != DisplayName(m_strName) || rows != QString::number(m_nRows);
}

bool CSoundManageDialog::SaveData()
{
    if (!HasUnappliedChange())
        return true;
    const std::string question = "Apply the changes to pattern " + ToDisplayUtf8(m_strName) + "?";
    switch (AfxMessageBox(question, MessageKind::Question, Buttons::YesNoCancel))
    {
    case Answer::Yes:
        return ApplyChange();
    case Answer::No:
        return true;
    default:
        return false;
    }
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
    // Noise cells have no pitch to move.
    const bool bTranspose = bEnable && m_pChannel->currentIndex() != kNoiseChannel;
    for (const UINT nID : {IDC_MANAGE_TRANSPOSE, IDC_MANAGE_TRANSPOSE_AMOUNT, IDC_MANAGE_SEMITONES,
                           IDC_MANAGE_OCTAVES})
        GetDlgItem(nID)->setEnabled(bTranspose);
}

void CSoundManageDialog::FillList(int nChannel)
{
    if (m_pDoc == nullptr || nChannel < 0 || nChannel >= kChannelCount)
        return;
    for (const auto& pPattern : m_pDoc->GetPatterns(nChannel))
    {
        auto* pItem = new QListWidgetItem(DisplayName(pPattern->GetName()));
        pItem->setData(kPatternRole, pPattern->GetId());
        m_pList->addItem(pItem);
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
    m_nRows = m_pDoc->GetStepSize();
    ShowFields();
    EnablePatternControls(false);
    FillList(nChannel);
}

void CSoundManageDialog::OnPatternChanged()
{
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr)
        return;
    m_strName = pPattern->GetName();
    m_nRows = pPattern->GetRows();
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
    std::snprintf(szName, sizeof szName, "%03d", m_pDoc->GetNextPatternNumber(nChannel));
    nRows = m_pDoc->GetStepSize();
    CSoundPattern* pPattern =
        m_pDoc->FindPattern(SoundEdits::NewPattern(*m_pSession, {}, nChannel, nRows, szName));
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
        m_pDoc->FindPattern(SoundEdits::CopyPattern(*m_pSession, {}, pSource->GetId()));
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
    if (AfxMessageBox(g_pszMsgDeletePattern, MessageKind::Warning, Buttons::YesNo,
                      DefaultButton::Second) != Answer::Yes)
        return;
    SoundEdits::DeletePattern(*m_pSession, {}, pPattern->GetId());
    OnSelChangeChannel();
}

void CSoundManageDialog::OnChange()
{
    ApplyChange();
}

bool CSoundManageDialog::ApplyChange()
{
    int nRows = 0;
    std::string name;
    if (!GetDlgItemText(IDC_MANAGE_NAME, INT_MAX, name) ||
        !GetDlgItemInt(IDC_MANAGE_ROWS, 1, 1024, nRows))
        return false;
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr)
        return false;
    SoundEdits::ChangePattern(*m_pSession, {}, pPattern->GetId(), name, nRows);
    m_strName = name;
    m_nRows = nRows;
    m_pList->selectedItems().front()->setText(DisplayName(name));
    m_pChange->setEnabled(false);
    return true;
}

void CSoundManageDialog::OnTranspose()
{
    const bool bOctaves = m_pOctaves->isChecked();
    const int nLimit = bOctaves ? kMaxNote / kOctave : kMaxNote;
    int nAmount = 0;
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr ||
        !GetDlgItemInt(IDC_MANAGE_TRANSPOSE_AMOUNT, -nLimit, nLimit, nAmount) || nAmount == 0)
        return;
    const PatternId id = pPattern->GetId();
    const int nRows = pPattern->GetRows();
    const bool bNoise = m_pDoc->FindPatternChannel(pPattern) == kNoiseChannel;
    SoundEdits::SetCells(
        *m_pSession, {}, tr("Transpose"), id, 0,
        TransposeCells(m_pDoc->GetCells(id, 0, nRows), nAmount * (bOctaves ? kOctave : 1), bNoise));
}
