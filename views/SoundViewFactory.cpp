// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundViewFactory.h"

#include "views/PianoRollView.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

QWidget* CreateSoundView(SoundPane pane, CSoundSession* pSession, QWidget* pParent)
{
    switch (pane)
    {
    case SoundPane::Sequence:
        return new CSoundSequenceView(pSession, pParent);
    case SoundPane::Pattern:
        return new CSoundPatternView(pSession, pParent);
    case SoundPane::PianoRoll:
        return new CPianoRollView(pSession, pParent);
    }
    return nullptr;
}
