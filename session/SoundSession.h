// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/SoundServices.h"
#include "session/SoundUndo.h"

#include <QObject>

class CSoundDoc;

// The editing of one open document: its undo history and the services its editors use.
// One per open document, made and owned on the editor's thread by whoever opened it; it
// must outlive the document's editors and end before the document does.
class CSoundSession : public QObject
{
    Q_OBJECT

public:
    explicit CSoundSession(CSoundDoc* pDoc, SoundViewServices services = {});
    ~CSoundSession() override;

    CSoundDoc* GetDocument() const { return m_pDoc; }
    CSoundUndo& Undo() { return m_undo; }
    const CSoundUndo& Undo() const { return m_undo; }
    const SoundViewServices& Services() const { return m_services; }
    void SetServices(const SoundViewServices& services) { m_services = services; }

    // The play thread has reported a row of this session's playback; the editors move
    // their markers.
    void OnRowPlayed() { emit PlayPositionMoved(); }

signals:
    void PlayPositionMoved();

private:
    CSoundDoc* m_pDoc;
    SoundViewServices m_services;
    CSoundUndo m_undo;
};
