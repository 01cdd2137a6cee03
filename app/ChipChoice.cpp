// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChipChoice.h"

#include "resources/Resource.h"
#include "resources/ResourceTables.h"

#include <QComboBox>
#include <QSettings>

#include <array>

namespace
{
struct ChipCommand
{
    SynthKind kind;
    UINT nID;
};
// In the order the combo box lists them.
constexpr std::array<ChipCommand, 3> kChips = {{
    {SynthKind::Sine, ID_CHIP_SINE},
    {SynthKind::PCjr, ID_CHIP_PCJR},
    {SynthKind::Tandy, ID_CHIP_TANDY},
}};

QString SettingsKey()
{
    return QStringLiteral("Playback/Chip");
}

int IndexOf(SynthKind kind)
{
    for (std::size_t i = 0; i < kChips.size(); ++i)
        if (kChips[i].kind == kind)
            return static_cast<int>(i);
    return 0;
}
} // namespace

void CChipChoice::Load()
{
    const QString name = QSettings().value(SettingsKey()).toString();
    m_kind = SynthKindFromName(name.toStdString()).value_or(SynthKind::Sine);
}

void CChipChoice::Set(SynthKind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    QSettings().setValue(SettingsKey(), QString::fromLatin1(SynthKindName(kind)));
    emit Changed(kind);
}

QString CChipChoice::DisplayName() const
{
    return QString::fromStdString(
        GetTooltipText(kChips[static_cast<std::size_t>(IndexOf(m_kind))].nID));
}

QComboBox* CChipChoice::CreateComboBox(QWidget* pParent)
{
    auto* pCombo = new QComboBox(pParent);
    pCombo->setObjectName(QStringLiteral("SoundChip"));
    pCombo->setFocusPolicy(Qt::NoFocus);
    pCombo->setToolTip(QString::fromStdString(GetTooltipText(IDC_SOUND_CHIP)));
    pCombo->setStatusTip(QString::fromStdString(GetPromptText(IDC_SOUND_CHIP)));
    for (const ChipCommand& chip : kChips)
        pCombo->addItem(QString::fromStdString(GetTooltipText(chip.nID)));
    pCombo->setCurrentIndex(IndexOf(m_kind));
    connect(pCombo, &QComboBox::currentIndexChanged, this,
            [this](int index)
            {
                if (index >= 0 && index < static_cast<int>(kChips.size()))
                    Set(kChips[static_cast<std::size_t>(index)].kind);
            });
    connect(this, &CChipChoice::Changed, pCombo,
            [pCombo](SynthKind kind) { pCombo->setCurrentIndex(IndexOf(kind)); });
    return pCombo;
}

bool CChipChoice::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    for (const ChipCommand& chip : kChips)
    {
        if (chip.nID != nID)
            continue;
        if (pCmdUI != nullptr)
            pCmdUI->SetCheck(m_kind == chip.kind);
        else
            Set(chip.kind);
        return true;
    }
    return false;
}
