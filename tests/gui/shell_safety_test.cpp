// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "sound/SoundDoc.h"

#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <QWindow>

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

    void titleNamesTheDocumentFirstAndMarksChanges()
    {
        QTemporaryDir dir;
        CShell shell;
        QVERIFY(shell.Start());
        QWindow* pWindow = shell.Frame()->windowHandle();
        QCOMPARE(pWindow->title(), QStringLiteral("Sound1 – Tarvok"));
        shell.ActiveDoc()->SetModifiedFlag();
        shell.Frame()->UpdateCommandUI();
        QCOMPARE(pWindow->title(), QStringLiteral("Sound1* – Tarvok"));
        shell.files.answers = {dir.filePath(QStringLiteral("work.tks")).toStdString()};
        QVERIFY(shell.app->DoFileSave(shell.ActiveDoc()));
        shell.Frame()->UpdateCommandUI();
        QCOMPARE(pWindow->title(), QStringLiteral("work.tks – Tarvok"));
    }

    void mainWindowStartsCentredThenWhereItWasLeft()
    {
        QSettings().remove(QStringLiteral("MainFrame"));
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect moved(40, 30, 500, 360);
        {
            CShell shell;
            QVERIFY(shell.Start());
            const QRect first = shell.Frame()->geometry();
            QVERIFY(std::abs(first.width() - available.width() * 4 / 5) <= 1 &&
                    std::abs(first.center().x() - available.center().x()) <= 1);
            shell.Frame()->setGeometry(moved);
        }
        CShell shell;
        QVERIFY(shell.Start());
        QCOMPARE(shell.Frame()->geometry(), moved);
        // The sound window fits the smaller area at once.
        const QRect area = shell.Frame()->GetMdiArea()->viewport()->rect();
        QVERIFY(area.contains(shell.ActiveFrame()->geometry()));
        QVERIFY(shell.ActiveFrame()->widget()->width() >= shell.ActiveFrame()->width() - 20);
    }
};

TARVOK_SHELL_TEST_MAIN(ShellSafetyTest)
#include "shell_safety_test.moc"
