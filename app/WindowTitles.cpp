// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowTitles.h"

#include <QWidget>

namespace
{
const QString kMark = QStringLiteral("[*]");
}

namespace WindowTitles
{
QString Marked(QString name)
{
    // The toolkit reads a doubled mark as a literal one.
    name.replace(kMark, kMark + kMark);
    return name + kMark;
}

QString Shown(const QWidget& window)
{
    const QString title = window.windowTitle();
    const QString mark = window.isWindowModified() ? QStringLiteral("*") : QString();
    QString shown;
    for (qsizetype i = 0; i < title.size();)
    {
        if (title.mid(i, 6) == kMark + kMark)
        {
            shown += kMark;
            i += 6;
        }
        else if (title.mid(i, 3) == kMark)
        {
            shown += mark;
            i += 3;
        }
        else
            shown += title[i++];
    }
    return shown;
}
} // namespace WindowTitles
