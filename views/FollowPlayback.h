// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Whether the pattern editors scroll to keep the playing row in view. Scrolling never moves
// the edit cursor. Kept in the settings; on unless turned off.
class CFollowPlayback : public QObject
{
    Q_OBJECT
public:
    static CFollowPlayback& Instance();

    void Load();
    bool IsOn() const { return m_bOn; }
    void Set(bool bOn);

private:
    bool m_bOn = true;
};
