// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/PlayRangeFollow.h"

#include <algorithm>

bool PlayRangeCoversSong(const PlayRange& range, std::int32_t songEnd)
{
    return range == PlayRangeForSong(songEnd);
}

PlayRange PlayRangeForSong(std::int32_t songEnd)
{
    return {0, std::max(songEnd, PlayRange{}.end)};
}

PlayRange FollowSong(const PlayRange& before, std::int32_t songEndBefore, const PlayRange& after,
                     std::int32_t songEndAfter)
{
    // An edit of the range itself is the person's choice.
    if (after != before || !PlayRangeCoversSong(before, songEndBefore))
        return after;
    return PlayRangeForSong(songEndAfter);
}

std::string PlayingRowsText(const PlayRange& range, std::int32_t songEnd)
{
    const auto rows = [](std::int64_t first, std::int64_t end)
    { return std::to_string(first) + "\u2013" + std::to_string(std::max(first, end - 1)); };
    return "Playing rows " + rows(range.start, range.end) + " of " +
           rows(0, PlayRangeForSong(songEnd).end);
}
