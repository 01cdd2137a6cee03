// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Progress.h"
#include "sound/SoundDoc.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A song brought in from another format, as the engine will play it: per channel, the
// records it plays, in resource ticks. Between records a channel is silent.
struct SongRecord
{
    std::int64_t start = 0;
    std::int64_t ticks = 1;
    // Tone channels: the 10-bit divisor (0 sounds as 1024). Noise: the control bits
    // 0-2, F RR (white noise and rate).
    std::uint16_t setting = 0;
    std::uint8_t atten = 0; // 0-15
    std::int64_t End() const { return start + ticks; }
    bool operator==(const SongRecord&) const = default;
};

// Each channel's records are in time order and never overlap.
struct ImportedSong
{
    std::array<std::vector<SongRecord>, kChannelCount> channels;
    std::int64_t lengthTicks = 0;
};

// The longest song a document takes: the AGI import's limit, one row per tick.
constexpr std::int64_t kMaxImportedTicks = 1048576;
std::string SongTooLongMessage();

// The row length R of the built document: the largest that divides every record's start and
// end and the length, among those a whole tempo can give.
std::int64_t ImportedRowTicks(const ImportedSong& song);

// The size of the AGI resource the built document exports to; more than
// kMaxAgiResourceBytes means the AGI export will refuse it.
std::size_t ImportedAgiBytes(const ImportedSong& song);

// Replaces the document's contents with the song: rows of ImportedRowTicks ticks, patterns
// placed one after another on each channel that sounds, the last ending on the song's end,
// and the play range the whole song.
// The song must not be longer than kMaxImportedTicks. The build is reported to progress but
// runs to its end whatever it says, so the document is never left half built.
void BuildImportedDocument(const ImportedSong& song, CSoundDoc& doc,
                           const CProgress& progress = {});

// An import's progress is building the document from here on.
constexpr double kSongBuildFrom = 0.6;
