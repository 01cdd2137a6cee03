// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/CloseKeys.h"

#include <QKeyEvent>
#include <QWidget>

namespace
{
bool IsCloseKey(const QKeyEvent* pEvent)
{
    const Qt::KeyboardModifiers mods = pEvent->modifiers() & ~Qt::KeypadModifier;
    return (pEvent->key() == Qt::Key_Escape && mods == Qt::NoModifier) ||
           (pEvent->key() == Qt::Key_W && mods == Qt::ControlModifier);
}
} // namespace

CCloseKeys::CCloseKeys(QWidget* pWindow) : QObject(pWindow), m_pWindow(pWindow) {}

void CCloseKeys::Install(QWidget* pWindow)
{
    pWindow->installEventFilter(new CCloseKeys(pWindow));
}

bool CCloseKeys::eventFilter(QObject* pObject, QEvent* pEvent)
{
    const QEvent::Type type = pEvent->type();
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) &&
        IsCloseKey(static_cast<QKeyEvent*>(pEvent)))
    {
        pEvent->accept();
        if (type == QEvent::KeyPress)
            m_pWindow->close();
        return true;
    }
    return QObject::eventFilter(pObject, pEvent);
}
