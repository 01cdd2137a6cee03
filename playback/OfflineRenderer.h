// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

class CSoundDoc;

// What playback plays for one pass of the play range after Play from stopped, without the
// silence before the first row: rows start ... end, each sequenced and rendered exactly as
// the play thread does it. False, with nothing rendered, when the tempo gives no row length
// or the result would hold more than nMaxSamples.
bool RenderPlayRange(const CSoundDoc& doc, std::vector<std::int16_t>& samples,
                     std::uint64_t nMaxSamples);
