// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/FollowPlayback.h"

#include <QSettings>

namespace
{
QString SettingsKey()
{
    return QStringLiteral("View/FollowPlayback");
}
} // namespace

CFollowPlayback& CFollowPlayback::Instance()
{
    static CFollowPlayback instance;
    return instance;
}

void CFollowPlayback::Load()
{
    m_bOn = QSettings().value(SettingsKey(), true).toBool();
}

void CFollowPlayback::Set(bool bOn)
{
    m_bOn = bOn;
    QSettings().setValue(SettingsKey(), bOn);
}
