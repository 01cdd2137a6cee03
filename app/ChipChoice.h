// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"
#include "views/CommandTarget.h"

#include <QObject>
#include <QString>

class QComboBox;
class QWidget;

// The sound chip the person chose: kept in the settings, offered as radio menu items and as
// toolbar combo boxes, which all follow every change.
class CChipChoice : public QObject, public ICommandTarget
{
    Q_OBJECT
public:
    // Reads the stored choice; an unknown or missing value is the sine.
    void Load();
    SynthKind Get() const { return m_kind; }
    // The choice as the chip menu names it.
    QString DisplayName() const;
    // Stores the choice and tells everyone who follows it.
    void Set(SynthKind kind);

    // A combo box showing and changing the choice; it never takes the keyboard focus, so
    // the editor that had it keeps it.
    QComboBox* CreateComboBox(QWidget* pParent);

    // The radio commands ID_CHIP_SINE ... ID_CHIP_TANDY.
    bool OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;

signals:
    void Changed(SynthKind kind);

private:
    SynthKind m_kind = SynthKind::Sine;
};
