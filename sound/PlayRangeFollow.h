// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundDoc.h"

#include <cstdint>
#include <string>

// A play range that spans the whole song follows the song's length through edits, so a new
// pattern is heard; a range the person narrowed to part of the song stays where it is.

// Whether range is the one PlayRangeForSong gives for a song ending at songEnd.
bool PlayRangeCoversSong(const PlayRange& range, std::int32_t songEnd);
// From 0 to the song's end, never shorter than a new document's range.
PlayRange PlayRangeForSong(std::int32_t songEnd);

// The range after an edit: the song's new whole range when the range before covered the old
// song and the edit left it alone, else the range as the edit left it.
PlayRange FollowSong(const PlayRange& before, std::int32_t songEndBefore, const PlayRange& after,
                     std::int32_t songEndAfter);

// What a playback plays, for the status bar: "Playing rows 0–31 of 0–63".
std::string PlayingRowsText(const PlayRange& range, std::int32_t songEnd);
