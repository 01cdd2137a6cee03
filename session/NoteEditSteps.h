// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/SoundEditCommand.h"
#include "sound/NoteEdits.h"

#include <QString>

class CSoundSession;

namespace SoundEdits
{
// A planned edit of notes as one undoable step: its new patterns made (named as the channel's
// next ones) and placed, then its cells written. Nothing happens for an empty plan.
void EditNotes(CSoundSession& session, const EditorPosition& at, const QString& text,
               const NoteEdit& edit);
} // namespace SoundEdits
