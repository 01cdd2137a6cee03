// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"
#include "sound/PlayVoice.h"
#include "views/CommandTarget.h"

#include <QObject>
#include <QString>

#include <functional>

class CSoundSession;
class QComboBox;
class QWidget;

// What plays, as the person chose it: the sound chip and the interpreter's fade, kept in the
// settings and offered as radio menu items (the chip also as toolbar combo boxes), which all
// follow every change. A session whose sound belongs to an interpreter of its own has that
// one's fade in force instead; the fade items show and change it while it is active.
class CChipChoice : public QObject, public ICommandTarget
{
    Q_OBJECT
public:
    // Reads the stored choice; an unknown or missing chip is the sine, a fade none.
    void Load();
    SynthKind Get() const { return m_kind; }
    // The choice as the chip menu names it.
    QString DisplayName() const;
    // Stores the choice and tells everyone who follows it.
    void Set(SynthKind kind);
    // The stored fade, for sessions without one of their own.
    FadeKind GetFade() const { return m_fade; }
    void SetFade(FadeKind fade);

    // What plays the session's document (null: a document without a session).
    PlayVoice VoiceFor(const CSoundSession* pSession) const;
    // Where the fade items find the session they show; none means the stored fade.
    void SetActiveSessionSource(std::function<CSoundSession*()> activeSession)
    {
        m_activeSession = std::move(activeSession);
    }

    // A combo box showing and changing the choice; it never takes the keyboard focus, so
    // the editor that had it keeps it.
    QComboBox* CreateComboBox(QWidget* pParent);

    // The radio commands ID_CHIP_SINE ... ID_CHIP_TANDY, ID_CHIP_SPEAKER and ID_FADE_*.
    bool OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;

signals:
    void Changed(SynthKind kind);
    void FadeChanged();

private:
    bool OnFadeCmdMsg(UINT nID, CCmdUI* pCmdUI);

    SynthKind m_kind = SynthKind::Sine;
    FadeKind m_fade = FadeKind::None;
    std::function<CSoundSession*()> m_activeSession;
};
