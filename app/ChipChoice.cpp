// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChipChoice.h"

#include "resources/ResourceTables.h"
#include "session/SoundSession.h"

#include <QComboBox>
#include <QSettings>

namespace
{
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
    for (std::size_t i = 0; i < kChipCommands.size(); ++i)
        if (kChipCommands[i].kind == kind)
            return static_cast<int>(i);
    return 0;
}
} // namespace

void CChipChoice::Load()
{
    const QString name = QSettings().value(ChipSettingsKey()).toString();
    m_kind = SynthKindFromName(name.toStdString()).value_or(SynthKind::PCjr);
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
        GetTooltipText(kChipCommands[static_cast<std::size_t>(IndexOf(m_kind))].nID));
}

QComboBox* CChipChoice::CreateComboBox(QWidget* pParent)
{
    auto* pCombo = new QComboBox(pParent);
    pCombo->setObjectName(QStringLiteral("SoundChip"));
    pCombo->setFocusPolicy(Qt::NoFocus);
    pCombo->setToolTip(QString::fromStdString(GetTooltipText(IDC_SOUND_CHIP)));
    pCombo->setStatusTip(QString::fromStdString(GetPromptText(IDC_SOUND_CHIP)));
    for (const ChipCommand& chip : kChipCommands)
        pCombo->addItem(QString::fromStdString(GetTooltipText(chip.nID)));
    pCombo->setCurrentIndex(IndexOf(m_kind));
    connect(pCombo, &QComboBox::currentIndexChanged, this,
            [this](int index)
            {
                if (index >= 0 && index < static_cast<int>(kChipCommands.size()))
                    Set(kChipCommands[static_cast<std::size_t>(index)].kind);
            });
    connect(this, &CChipChoice::Changed, pCombo,
            [pCombo](SynthKind kind) { pCombo->setCurrentIndex(IndexOf(kind)); });
    return pCombo;
}

FadeKind CChipChoice::ShownFade() const
{
    return VoiceFor(m_activeSession ? m_activeSession() : nullptr).fade;
}

void CChipChoice::ChooseFade(FadeKind fade)
{
    CSoundSession* pSession = m_activeSession ? m_activeSession() : nullptr;
    if (pSession != nullptr && pSession->GetInterpreterFade().has_value())
    {
        // The sound's own interpreter stays its own: the choice holds for this session only.
        pSession->SetInterpreterFade(fade);
        emit FadeChanged();
    }
    else
        SetFade(fade);
}
