// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "sound/SoundDoc.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace
{
QString SampleResource()
{
    return SoundsDir() + QStringLiteral("/buddhies-sound001.agi");
}

std::size_t PatternCount(CSoundDoc* pDoc)
{
    std::lock_guard lock(pDoc->Guard());
    std::size_t count = 0;
    for (const auto& patterns : pDoc->m_patterns)
        count += patterns.size();
    return count;
}

void Drop(QWidget* pTarget, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &drop);
}
} // namespace

class ShellSafetyTest : public QObject
{
    Q_OBJECT

private slots:
    void soundResourceOpenedAnyWayIsImportedUntitled_data()
    {
        QTest::addColumn<QString>("route");
        for (const char* route : {"open", "recent", "command line", "drop"})
            QTest::newRow(route) << QString::fromLatin1(route);
    }

    void soundResourceOpenedAnyWayIsImportedUntitled()
    {
        QFETCH(QString, route);
        const std::string path = QFile::encodeName(SampleResource()).toStdString();
        const QByteArray original = []
        {
            QFile file(SampleResource());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        CShell shell;
        QVERIFY(shell.Start(route == "command line"
                                ? QStringList{QStringLiteral("--no-sound"), SampleResource()}
                                : QStringList{QStringLiteral("--no-sound")}));
        if (route == "open")
        {
            shell.files.answers = {path};
            QVERIFY(shell.Frame()->ExecuteCommand(ID_FILE_OPEN));
        }
        else if (route == "recent")
        {
            shell.app->AddToRecentFileList(path);
            shell.app->OpenRecentFile(0);
        }
        else if (route == "drop")
            Drop(shell.Frame(), SampleResource());

        CSoundDoc* pDoc = shell.ActiveDoc();
        QVERIFY(pDoc != nullptr && shell.messages.texts.empty());
        QCOMPARE(QString::fromStdString(pDoc->GetTitle()),
                 route == "command line" ? QStringLiteral("Sound1") : QStringLiteral("Sound2"));
        QVERIFY(pDoc->GetPathName().empty() && PatternCount(pDoc) > 1);
        // Saving asks for a document name; the resource itself is never written.
        const std::size_t nAsked = shell.files.requests.size();
        QVERIFY(!shell.app->DoFileSave(pDoc));
        QVERIFY(shell.files.requests.size() == nAsked + 1 && !shell.files.requests.back().bOpen);
        QFile resource(SampleResource());
        QVERIFY(resource.open(QIODevice::ReadOnly) && resource.readAll() == original);
    }
};

TARVOK_SHELL_TEST_MAIN(ShellSafetyTest)
#include "shell_safety_test.moc"
