// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/Instrument.h"

#include <cstdint>
#include <optional>
#include <variant>

class CSoundDoc;
class ISoundRowSink;

// Plays pDoc from song row startRow; row reports go to pSink (may be null). With bCarryIn
// every channel sounds as if playback had run from the play range start.
struct PlaySound
{
    CSoundDoc* pDoc = nullptr;
    ISoundRowSink* pSink = nullptr;
    std::int32_t startRow = 0;
    bool bCarryIn = false;
};
struct StopSound
{
};
struct PreviewNote
{
    int note = 0;
    // The channel it belongs to, silent while muted; -1 for none.
    int voice = -1;
    // What shapes it, a copy of the document's; none plays the plain note.
    std::optional<CInstrument> instrument;
};
// A key of a MIDI keyboard, sounding until its LetGoNote. A drum plays on the noise channel at
// noiseSetting (rate and white bit), without the instrument.
struct HoldNote
{
    int key = 0;
    int atten = 0;
    bool bDrum = false;
    int noiseSetting = 0;
    std::optional<CInstrument> instrument;
};
struct LetGoNote
{
    int key = 0;
    bool bDrum = false;
};
// Handled as soon as it is taken: lets a poster wait until everything before it is done.
struct SyncPoint
{
};
struct QuitThread
{
};

using PlayMessage =
    std::variant<SyncPoint, QuitThread, PlaySound, StopSound, PreviewNote, HoldNote, LetGoNote>;
