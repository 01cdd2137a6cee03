// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

class CSoundDoc;

// What sine playback plays for one pass of the play range after Play from stopped: the rows
// from its start up to its end, each sequenced and rendered exactly as the play thread does
// it. False, with nothing rendered, when the result would hold more than nMaxSamples. Holds
// everything in memory; files are written by ExportWav.
bool RenderPlayRange(const CSoundDoc& doc, std::vector<std::int16_t>& samples,
                     std::uint64_t nMaxSamples);
