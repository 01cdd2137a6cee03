// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/WholeSongRange.h"

#include "sound/SoundDoc.h"

#include <mutex>

CWholeSongRange::CWholeSongRange(CSoundDoc& doc) : m_doc(doc)
{
    std::lock_guard lock(m_doc.Guard());
    m_nStart = m_doc.GetPlayRange().start;
    m_nEnd = m_doc.GetPlayRange().end;
    m_doc.AssignPlayRange({0, m_doc.GetWholeSongEnd()});
}

CWholeSongRange::~CWholeSongRange()
{
    std::lock_guard lock(m_doc.Guard());
    m_doc.AssignPlayRange({m_nStart, m_nEnd});
}

AgiResourceBuild CWholeSongRange::BuildResource(CSoundDoc& doc)
{
    std::lock_guard lock(doc.Guard());
    CWholeSongRange whole(doc);
    return BuildAgiResource(doc);
}
