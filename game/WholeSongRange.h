// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AgiResource.h"

#include <cstdint>

class CSoundDoc;

// Makes the play range the whole song, 0 to GetWholeSongEnd(), while it lives, and puts the
// stored range back afterwards. It takes the guard only to change the range.
class CWholeSongRange
{
public:
    explicit CWholeSongRange(CSoundDoc& doc);
    ~CWholeSongRange();
    CWholeSongRange(const CWholeSongRange&) = delete;
    CWholeSongRange& operator=(const CWholeSongRange&) = delete;

    // The AGI resource of the whole song, built in one hold of the guard, so playback never
    // sees the borrowed range.
    static AgiResourceBuild BuildResource(CSoundDoc& doc);

private:
    CSoundDoc& m_doc;
    std::int32_t m_nStart;
    std::int32_t m_nEnd;
};
