// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QStringList>

#include <functional>

class CSoundSession;

// The sound toolbar's list of the active sound's instruments ("None" first): the one chosen is
// the session's current instrument, which the notes typed or drawn get. It follows the active
// sound, its instruments and its current one whenever told to refresh, and never takes the
// keyboard focus, so the editor keeps the keys.
class CInstrumentBox : public QComboBox
{
    Q_OBJECT
public:
    using SessionSource = std::function<CSoundSession*()>;
    CInstrumentBox(QWidget* pParent, SessionSource activeSession);

    // Shows what the active session holds now; cheap when nothing changed.
    void Refresh();

private:
    void OnChosen(int index);

    SessionSource m_activeSession;
    QStringList m_shown;
};
