// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChipChoice.h"

#include "resources/Resource.h"
#include "resources/ResourceTables.h"
#include "session/SoundSession.h"

#include <QComboBox>
#include <QSettings>

#include <algorithm>
#include <array>

namespace
{
struct ChipCommand
{
    SynthKind kind;
    UINT nID;
};
// In the order the combo box lists them.
constexpr std::array<ChipCommand, 4> kChips = {{
    {SynthKind::Sine, ID_CHIP_SINE},
    {SynthKind::PCjr, ID_CHIP_PCJR},
    {SynthKind::Tandy, ID_CHIP_TANDY},
    {SynthKind::Speaker, ID_CHIP_SPEAKER},
}};

struct FadeCommand
{
    FadeKind kind;
    UINT nID;
};
constexpr std::array<FadeCommand, 3> kFades = {{
    {FadeKind::None, ID_FADE_NONE},
    {FadeKind::V2, ID_FADE_V2},
    {FadeKind::V3, ID_FADE_V3},
}};

QString ChipSettingsKey()
{
    return QStringLiteral("Playback/Chip");
}

QString FadeSettingsKey()
{
    return QStringLiteral("Playback/Fade");
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
    const QString name = QSettings().value(ChipSettingsKey()).toString();
    m_kind = SynthKindFromName(name.toStdString()).value_or(SynthKind::Sine);
    const QString fade = QSettings().value(FadeSettingsKey()).toString();
    m_fade = FadeKindFromName(fade.toStdString()).value_or(FadeKind::None);
}

void CChipChoice::SetFade(FadeKind fade)
{
    if (fade == m_fade)
        return;
    m_fade = fade;
    QSettings().setValue(FadeSettingsKey(), QString::fromLatin1(FadeKindName(fade)));
    emit FadeChanged();
}

PlayVoice CChipChoice::VoiceFor(const CSoundSession* pSession) const
{
    const std::optional<FadeKind> own =
        pSession != nullptr ? pSession->GetInterpreterFade() : std::nullopt;
    return {m_kind, own.value_or(m_fade)};
}

void CChipChoice::Set(SynthKind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    QSettings().setValue(ChipSettingsKey(), QString::fromLatin1(SynthKindName(kind)));
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
    if (OnFadeCmdMsg(nID, pCmdUI))
        return true;
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

bool CChipChoice::OnFadeCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    const auto it = std::find_if(kFades.begin(), kFades.end(),
                                 [nID](const FadeCommand& fade) { return fade.nID == nID; });
    if (it == kFades.end())
        return false;
    CSoundSession* pSession = m_activeSession ? m_activeSession() : nullptr;
    if (pCmdUI != nullptr)
        pCmdUI->SetCheck(VoiceFor(pSession).fade == it->kind);
    else if (pSession != nullptr && pSession->GetInterpreterFade().has_value())
    {
        // The sound's own interpreter stays its own: the choice holds for this session only.
        pSession->SetInterpreterFade(it->kind);
        emit FadeChanged();
    }
    else
        SetFade(it->kind);
    return true;
}
