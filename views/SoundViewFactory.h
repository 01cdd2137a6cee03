// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CSoundSession;
class QWidget;

// The editors of a sound window. The frame asks for them by role so that the editors can
// change without the frame knowing their classes.
enum class SoundPane
{
    Sequence,
    Pattern,
    PianoRoll,
};

// A new editor of the session's document, as a child of pParent.
QWidget* CreateSoundView(SoundPane pane, CSoundSession* pSession, QWidget* pParent);
