// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "sound/AgiChannelWriter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;
struct PlayRange;

// The AGI sound resource reader and writer. A failure comes back as the message for the
// person; the caller decides how and when to show it, so none is shown under the guard.

// The resource's layout: a 16-bit offset for each of the four voices, then 5-byte records of
// which one says at most FF FE ticks (FF FF ends a voice).
inline constexpr std::size_t kAgiOffsetTableBytes = 8;
inline constexpr std::size_t kAgiRecordBytes = 5;
inline constexpr std::int64_t kAgiMaxRecordTicks = 0xFFFE;
// The divisor of a silent record, when the rest does not name its own.
inline constexpr int kAgiRestDivisor = 15;
// The bytes of the records that say ticks of one note, split where one record cannot say it.
std::size_t AgiRecordBytesFor(std::int64_t ticks);

// The 16-bit little-endian numbers of the format: offsets, durations, lengths.
inline unsigned ReadLE16(const std::uint8_t* p)
{
    return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8;
}

// Larger files are not sounds; refusing them keeps a hostile file from costing memory.
constexpr std::size_t kMaxAgiFileBytes = 1024 * 1024;
// The offsets table is 16 bits wide, and so is a game's resource length.
constexpr std::size_t kMaxAgiResourceBytes = 0xFFFF;
std::string AgiTooLongMessage(std::uint64_t size);

// The records of each voice of the document's rows in range, each voice's ending in FF FF:
// what the resource holds, however long. The caller holds the document's guard.
using AgiVoiceRecords = std::array<std::vector<std::uint8_t>, 4>;
AgiVoiceRecords BuildAgiRecords(const CSoundDoc& doc, const PlayRange& range);
// The resource of the document's rows in range, refused when the records do not fit one. The
// caller holds the document's guard.
Result<std::vector<std::uint8_t>> BuildAgiResource(const CSoundDoc& doc, const PlayRange& range);
// Told when a song plays, which the AGI export refuses.
constexpr const char* kAgiExportWillRefuseText =
    "The song is too long for one AGI resource: it plays, but the AGI export will refuse it.";

// What BuildAgiResource makes of the range, counted without making it and whatever its size:
// per voice its records and bytes (end mark included), and the whole resource's bytes.
struct AgiExportSize
{
    std::array<AgiVoiceSize, kChannelCount> voices;
    std::int64_t bytes = 0;
};
AgiExportSize MeasureAgiExport(const CSoundDoc& doc, const PlayRange& range);

// Rebuilds the document from a resource; a refused resource leaves the document as it was.
// The caller holds the document's guard.
Status ParseAgiResource(CSoundDoc& doc, const std::vector<std::uint8_t>& data);

// The sound's length in ticks as the import reads it: the largest sum of durations over the
// four channels; the failure the import would give for a malformed resource.
Result<std::int64_t> MeasureAgiResource(const std::vector<std::uint8_t>& data);
// Refuses a sound of that measured length when the import would not take it.
Status CheckAgiImportLength(std::int64_t ticks);
