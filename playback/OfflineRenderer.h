// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

class CSoundDoc;
struct PlayRange;

// Rows in one sine pass of the range: start to end inclusive, at least one.
std::int64_t PlayRangeRows(const PlayRange& range);

// What sine playback plays for one pass of the play range after Play from stopped: rows
// start ... end, each sequenced and rendered exactly as the play thread does it. False, with
// nothing rendered, when the tempo gives no row length or the result would hold more than
// nMaxSamples. Holds everything in memory; files are written by WriteWavFile.
bool RenderPlayRange(const CSoundDoc& doc, std::vector<std::int16_t>& samples,
                     std::uint64_t nMaxSamples);
