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
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
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
const char* const kCouldNotCreatePattern = "Could not create a new pattern!";
const char* const kDeletePattern = "Are you sure you want to delete this pattern?";
} // namespace

CSoundManageDialog::CSoundManageDialog(QWidget* pParent) : CDialog(pParent)
{
    setObjectName(QStringLiteral("SoundManageDialog"));
    setWindowTitle(tr("Manage Patterns"));
    CreateControls();
    LayOut();
    Connect();
}

void CSoundManageDialog::CreateControls()
{
    m_pChannel = new QComboBox(this);
    m_pChannel->setObjectName(QStringLiteral("channel"));
    m_pChannel->setAccessibleName(tr("Channel"));
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("patterns"));
    m_pList->setAccessibleName(tr("Patterns"));
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setMinimumSize(TextSize(m_pList, 16, 12));
    m_pNew = MakeButton(tr("New"), QStringLiteral("new"));
    m_pCreateCopy = MakeButton(tr("Create copy"), QStringLiteral("createCopy"));
    m_pDelete = MakeButton(tr("Delete"), QStringLiteral("delete"));
    m_pNameEdit = new QLineEdit(this);
    m_pNameEdit->setObjectName(QStringLiteral("name"));
    m_pRowsEdit = new CUpDownSpinBox(this);
    m_pRowsEdit->setObjectName(QStringLiteral("rows"));
    m_pRowsEdit->SetStepRange(1, 1024);
    m_pChange = MakeButton(tr("Change"), QStringLiteral("change"));
    m_pChange->setEnabled(false);
    m_pTranspose = MakeButton(tr("Transpose"), QStringLiteral("transpose"));
    m_pTransposeAmount = new QLineEdit(this);
    m_pTransposeAmount->setObjectName(QStringLiteral("transposeAmount"));
    m_pTransposeAmount->setAccessibleName(tr("Transpose by"));
    m_pTransposeAmount->setToolTip(tr("A positive amount transposes up, a negative one down"));
    ShowNumber(m_pTransposeAmount, 1);
    m_pSemitones = new QRadioButton(tr("Semitones"), this);
    m_pSemitones->setObjectName(QStringLiteral("semitones"));
    m_pSemitones->setChecked(true);
    m_pOctaves = new QRadioButton(tr("Octaves"), this);
    m_pOctaves->setObjectName(QStringLiteral("octaves"));
    m_pHarmonize = MakeButton(tr("Harmonize"), QStringLiteral("harmonize"));
    m_pHarmonize->setEnabled(false);
    m_pClose = MakeButton(tr("Close"), QStringLiteral("close"));
    m_pClose->setDefault(true);
}

void CSoundManageDialog::LayOut()
{
    auto* pPattern = new QGroupBox(tr("Pattern"), this);
    auto* pFields = new QGridLayout(pPattern);
    pFields->addWidget(MakeLabel(tr("Name"), m_pNameEdit), 0, 0);
    pFields->addWidget(m_pNameEdit, 0, 1, 1, 2);
    pFields->addWidget(MakeLabel(tr("Rows"), m_pRowsEdit), 1, 0);
    pFields->addWidget(m_pRowsEdit, 1, 1);
    pFields->addWidget(m_pChange, 1, 2);
    pFields->addWidget(m_pTranspose, 2, 0);
    pFields->addWidget(m_pTransposeAmount, 2, 1);
    pFields->addWidget(m_pSemitones, 2, 2);
    pFields->addWidget(m_pOctaves, 3, 2);
    pFields->addWidget(m_pHarmonize, 4, 0);
    pFields->setRowStretch(5, 1);

    auto* pPatternButtons = new QHBoxLayout;
    for (QPushButton* pButton : {m_pNew, m_pCreateCopy, m_pDelete})
        pPatternButtons->addWidget(pButton);
    auto* pGrid = new QGridLayout(this);
    pGrid->addWidget(m_pChannel, 0, 0);
    pGrid->addLayout(pPatternButtons, 0, 1);
    pGrid->addWidget(m_pList, 1, 0);
    pGrid->addWidget(pPattern, 1, 1);
    pGrid->addWidget(m_pClose, 2, 1, Qt::AlignRight);
    SetTabOrder({m_pChannel, m_pList, m_pNew, m_pCreateCopy, m_pDelete, m_pNameEdit, m_pRowsEdit,
                 m_pChange, m_pTranspose, m_pTransposeAmount, m_pSemitones, m_pOctaves,
                 m_pHarmonize, m_pClose});
}

void CSoundManageDialog::Connect()
{
    connect(m_pChannel, &QComboBox::currentIndexChanged, this,
            &CSoundManageDialog::OnSelChangeChannel);
    connect(m_pList, &QListWidget::itemSelectionChanged, this,
            &CSoundManageDialog::OnPatternChanged);
    connect(m_pNew, &QPushButton::clicked, this, &CSoundManageDialog::OnNew);
    connect(m_pCreateCopy, &QPushButton::clicked, this, &CSoundManageDialog::OnCreateCopy);
    connect(m_pDelete, &QPushButton::clicked, this, &CSoundManageDialog::OnDelete);
    connect(m_pChange, &QPushButton::clicked, this, &CSoundManageDialog::OnChange);
    connect(m_pTranspose, &QPushButton::clicked, this, &CSoundManageDialog::OnTranspose);
    connect(m_pClose, &QPushButton::clicked, this, &CSoundManageDialog::accept);
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
    ShowText(m_pNameEdit, m_strName);
    ShowNumber(m_pRowsEdit, m_nRows);
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
    for (QWidget* pControl :
         std::initializer_list<QWidget*>{m_pTranspose, m_pTransposeAmount, m_pSemitones, m_pOctaves})
        pControl->setEnabled(bTranspose);
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
        AfxMessageBox(kCouldNotCreatePattern);
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
        AfxMessageBox(kCouldNotCreatePattern);
        return;
    }
    AppendAndSelect(pCopy);
}

void CSoundManageDialog::OnDelete()
{
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr)
        return;
    if (AfxMessageBox(kDeletePattern, MessageKind::Warning, Buttons::YesNo,
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
    if (!ReadText(m_pNameEdit, INT_MAX, name) || !ReadNumber(m_pRowsEdit, 1, 1024, nRows))
        return false;
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr)
        return false;
    SoundEdits::ChangePattern(*m_pSession, {}, pPattern->GetId(), name, nRows);
    // A name another pattern of the channel has was made distinct.
    m_strName = pPattern->GetName();
    m_nRows = nRows;
    m_pList->selectedItems().front()->setText(DisplayName(m_strName));
    ShowFields();
    return true;
}

void CSoundManageDialog::OnTranspose()
{
    const bool bOctaves = m_pOctaves->isChecked();
    const int nLimit = bOctaves ? kMaxNote / kOctave : kMaxNote;
    int nAmount = 0;
    CSoundPattern* pPattern = GetSelectedPattern();
    if (pPattern == nullptr ||
        !ReadNumber(m_pTransposeAmount, -nLimit, nLimit, nAmount) || nAmount == 0)
        return;
    const PatternId id = pPattern->GetId();
    const int nRows = pPattern->GetRows();
    const bool bNoise = m_pDoc->FindPatternChannel(pPattern) == kNoiseChannel;
    SoundEdits::SetCells(
        *m_pSession, {}, tr("Transpose"), id, 0,
        TransposeCells(m_pDoc->GetCells(id, 0, nRows), nAmount * (bOctaves ? kOctave : 1), bNoise));
}
