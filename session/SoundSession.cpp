// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/SoundSession.h"

CSoundSession::CSoundSession(CSoundDoc* pDoc, SoundViewServices services)
    : m_pDoc(pDoc), m_services(services), m_undo(pDoc)
{
}

CSoundSession::~CSoundSession() = default;
