// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/GameListing.h"

#include "dialogs/WorkAside.h"
#include "sound/GameTempo.h"

std::string ListGameSoundsAside(const CGameFolder& game, std::vector<GameSoundInfo>& sounds,
                                QWidget* pParent, bool* pCancelled)
{
    std::string error;
    const bool bDone = RunAside(
        pParent,
        QStringLiteral("Listing the sounds of %1…").arg(QString::fromStdString(game.GetPath())),
        [&](const std::atomic<bool>& bCancel)
        { error = game.ListSounds(sounds, nullptr, &bCancel); });
    if (pCancelled != nullptr)
        *pCancelled = !bDone;
    if (!bDone)
        sounds.clear();
    return bDone ? error : std::string();
}

QString GameSoundLength(std::int64_t ticks)
{
    return QString::fromStdString(GameLengthText(ticks));
}
