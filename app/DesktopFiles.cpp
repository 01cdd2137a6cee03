// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

void RegisterDocumentType()
{
    // The document type for the desktop, registered for this user; any failure is harmless.
    QFile resource(QStringLiteral(":/mime/tarvok-sound.xml"));
    if (!resource.open(QIODevice::ReadOnly))
        return;
    const QByteArray definition = resource.readAll();
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataDir.isEmpty())
        return;
    const QString mimeDir = dataDir + QStringLiteral("/mime");
    const QString target = mimeDir + QStringLiteral("/packages/tarvok-sound.xml");
    {
        QFile existing(target);
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == definition)
            return;
    }
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(definition) != definition.size() ||
        !file.commit())
        return;
    const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updater.isEmpty())
        QProcess::startDetached(updater, {mimeDir});
}
