// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/GameFolder.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// Where Save into Game… writes: a game folder (typed, taken from the recent games, or
// chosen with Browse…) and a sound number, from a list of the folder's sounds, each with its
// length, and the numbers that are free.
class CGameTargetDialog : public QDialog
{
    Q_OBJECT

public:
    // Browse returns the chosen folder, or "" when the person cancelled.
    using BrowseFolder = std::function<std::string()>;

    // recentGames newest first; the first is listed at once. nSound is chosen when that
    // folder lists it.
    CGameTargetDialog(const QStringList& recentGames, int nSound, BrowseFolder browse,
                      QWidget* pParent = nullptr);

    // Lists the sounds of dir and the free numbers, keeping the chosen number when it can.
    void ShowFolder(const QString& dir);
    QString GetFolder() const;
    // -1 when none is chosen.
    int GetNumber() const;
    // The game's sound at the chosen number as "sound 12 (0:34, 171 bytes)", or "" for a
    // free number.
    std::string DescribeReplaced() const;

    QComboBox* GetFolderBox() const { return m_pFolder; }
    QListWidget* GetNumberList() const { return m_pNumbers; }

private:
    void OnBrowse();
    void FillNumbers();
    const GameSoundInfo* FindSound(int n) const;

    BrowseFolder m_browse;
    QComboBox* m_pFolder = nullptr;
    QListWidget* m_pNumbers = nullptr;
    QLabel* m_pProblem = nullptr;
    QPushButton* m_pOk = nullptr;
    QString m_listed;
    std::vector<GameSoundInfo> m_sounds;
    int m_nWanted = -1;
};
