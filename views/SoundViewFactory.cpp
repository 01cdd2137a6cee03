// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundViewFactory.h"

#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

QWidget* CreateSoundView(SoundPane pane, CSoundSession* pSession, QWidget* pParent)
{
    if (pane == SoundPane::Sequence)
        return new CSoundSequenceView(pSession, pParent);
    return new CSoundPatternView(pSession, pParent);
}
