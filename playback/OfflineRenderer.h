// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

class CSoundDoc;

// Rows in one sine pass of the play range: start to end inclusive, at least one. The caller
// holds the document's guard.
std::int64_t PlayRangeRows(const CSoundDoc& doc);

// What sine playback plays for one pass of the play range after Play from stopped: rows
// start ... end, each sequenced and rendered exactly as the play thread does it. False, with
// nothing rendered, when the tempo gives no row length or the result would hold more than
// nMaxSamples. Holds everything in memory; files are written by WriteWavFile.
bool RenderPlayRange(const CSoundDoc& doc, std::vector<std::int16_t>& samples,
                     std::uint64_t nMaxSamples);
