// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <variant>

class CSoundDoc;
class ISoundRowSink;

// Message ids of the play thread's queue, kept as the documented numbers of its requests.
enum : unsigned
{
    WM_NULL = 0x0000,
    WM_QUIT = 0x0012,
    WM_APP = 0x8000,
    WM_SOUND_PLAY = WM_APP + 1,
    WM_SOUND_STOP = WM_APP + 2,
    WM_SOUND_PREVIEW = WM_APP + 3,
    WM_SOUND_PLAYFROM = WM_APP + 4,
};

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
};
// Handled as soon as it is taken: lets a poster wait until everything before it is done.
struct SyncPoint
{
};
struct QuitThread
{
};

using PlayMessage = std::variant<SyncPoint, QuitThread, PlaySound, StopSound, PreviewNote>;

constexpr unsigned MessageId(const PlayMessage& message)
{
    struct Ids
    {
        constexpr unsigned operator()(const SyncPoint&) const { return WM_NULL; }
        constexpr unsigned operator()(const QuitThread&) const { return WM_QUIT; }
        constexpr unsigned operator()(const PlaySound& play) const
        {
            return play.bCarryIn ? WM_SOUND_PLAYFROM : WM_SOUND_PLAY;
        }
        constexpr unsigned operator()(const StopSound&) const { return WM_SOUND_STOP; }
        constexpr unsigned operator()(const PreviewNote&) const { return WM_SOUND_PREVIEW; }
    };
    return std::visit(Ids{}, message);
}
