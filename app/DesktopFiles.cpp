// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopFiles.h"

#include "app/QtUserInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdint>

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

// A sound resource starts with the offsets of its four channels' data, which begins right after
// them and runs in channel order; a document starts with text, which never reads that way.
bool IsAgiResource(const std::string& path)
{
    QFile file(PathToQString(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(8);
    if (header.size() < 8)
        return false;
    qint64 nPrevious = 8;
    for (int channel = 0; channel < 4; ++channel)
    {
        const qint64 nOffset = static_cast<std::uint8_t>(header[2 * channel]) |
                               static_cast<std::uint8_t>(header[2 * channel + 1]) << 8;
        if (nOffset < nPrevious || nOffset > file.size())
            return false;
        nPrevious = nOffset;
    }
    return true;
}
