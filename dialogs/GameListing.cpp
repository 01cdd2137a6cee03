// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/GameListing.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>

#include <thread>

std::string ListGameSoundsAside(const CGameFolder& game, std::vector<GameSoundInfo>& sounds,
                                std::vector<std::string>* pWarnings)
{
    QEventLoop loop;
    std::string error;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    std::thread worker(
        [&]
        {
            error = game.ListSounds(sounds, pWarnings);
            // Queued, so a listing done before exec() starts still ends the loop.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QGuiApplication::restoreOverrideCursor();
    return error;
}

QString GameSoundLength(std::int64_t ticks)
{
    constexpr std::int64_t kTicksPerSecond = 60;
    const std::int64_t seconds = (ticks + kTicksPerSecond / 2) / kTicksPerSecond;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
