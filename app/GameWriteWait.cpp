// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GameWriteWait.h"

#include "framework/TextCodec.h"
#include "session/Prompts.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>

CGameWriteWait::~CGameWriteWait()
{
    ShowBusy(false);
}

bool CGameWriteWait::KeepWaiting(std::chrono::milliseconds waited)
{
    ShowBusy(true);
    // Painting and timers go on; nothing the person does can start another command meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!m_nextAsk)
        m_nextAsk = waited + m_askAfter;
    if (waited < *m_nextAsk)
        return true;
    ShowBusy(false);
    const Answer answer =
        AfxMessageBox("Another write into the game folder " + ToDisplayUtf8(m_folder) +
                          " is going on.\n\nKeep waiting for it to end?",
                      MessageKind::Question, Buttons::YesNo);
    m_nextAsk.reset();
    return answer == Answer::Yes;
}

void CGameWriteWait::ShowBusy(bool bBusy)
{
    if (bBusy == m_bBusy)
        return;
    m_bBusy = bBusy;
    if (bBusy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}
