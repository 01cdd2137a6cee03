// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundViewFactory.h"

#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

QWidget* CreateSoundView(SoundPane pane, CSoundDoc* pDoc, QWidget* pParent)
{
    if (pane == SoundPane::Sequence)
        return new CSoundSequenceView(pDoc, pParent);
    return new CSoundPatternView(pDoc, pParent);
}
