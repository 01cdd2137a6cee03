// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"
#include "resources/Resource.h"
#include "sound/PlayVoice.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class CSoundSession;
class QComboBox;
class QWidget;

// The radio commands of the chips, in the order the combo box lists them, and of the fades.
struct ChipCommand
{
    SynthKind kind;
    UINT nID;
};
inline constexpr std::array<ChipCommand, 4> kChipCommands = {{
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
inline constexpr std::array<FadeCommand, 3> kFadeCommands = {{
    {FadeKind::None, ID_FADE_NONE},
    {FadeKind::V2, ID_FADE_V2},
    {FadeKind::V3, ID_FADE_V3},
}};

// What plays, as the person chose it: the sound chip and the interpreter's fade, kept in the
// settings and offered as radio menu items (the chip also as toolbar combo boxes), which all
// follow every change. A session whose sound belongs to an interpreter of its own has that
// one's fade in force instead; the fade items show and change it while it is active.
class CChipChoice : public QObject
{
    Q_OBJECT
public:
    // Reads the stored choice; an unknown or missing chip is the PCjr's, as the game is heard,
    // a fade none.
    void Load();
    SynthKind Get() const { return m_kind; }
    // The choice as the chip menu names it.
    QString DisplayName() const;
    // Stores the choice and tells everyone who follows it.
    void Set(SynthKind kind);
    // The stored fade, for sessions without one of their own.
    void SetFade(FadeKind fade);

    // What plays the session's document (null: a document without a session).
    PlayVoice VoiceFor(const CSoundSession* pSession) const;
    // Where the fade items find the session they show; none means the stored fade.
    void SetActiveSessionSource(std::function<CSoundSession*()> activeSession)
    {
        m_activeSession = std::move(activeSession);
    }

    // The fade the menu shows: the active session's own, else the stored one.
    FadeKind ShownFade() const;
    // The fade chosen from the menu: for the active session alone when it has one of its own
    // (its sound belongs to that interpreter), else stored.
    void ChooseFade(FadeKind fade);

    // A combo box showing and changing the choice; it never takes the keyboard focus, so
    // the editor that had it keeps it.
    QComboBox* CreateComboBox(QWidget* pParent);

signals:
    void Changed(SynthKind kind);
    void FadeChanged();

private:
    SynthKind m_kind = SynthKind::PCjr;
    FadeKind m_fade = FadeKind::None;
    std::function<CSoundSession*()> m_activeSession;
};
