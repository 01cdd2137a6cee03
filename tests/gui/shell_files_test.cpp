// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"
#include "app/WindowTitles.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/resource.h>

namespace
{
std::string Path(const QTemporaryDir& dir, const QString& name)
{
    return QFile::encodeName(dir.filePath(name)).toStdString();
}

QByteArray ReadAll(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A limit on the size of the files this process writes, as a full disk would impose.
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t nBytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        m_bSet = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool IsSet() const { return m_bSet; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_bSet = false;
};

} // namespace

class ShellFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void filesThatCannotBeOpenedGiveAMessage_data()
    {
        QTest::addColumn<UINT>("command");
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"vanished", "folder", "empty"})
        {
            QTest::newRow(qPrintable(QStringLiteral("open %1").arg(kind)))
                << UINT(ID_FILE_OPEN) << QString::fromLatin1(kind);
            QTest::newRow(qPrintable(QStringLiteral("import %1").arg(kind)))
                << UINT(ID_FILE_IMPORT) << QString::fromLatin1(kind);
        }
    }
    void filesThatCannotBeOpenedGiveAMessage()
    {
        QFETCH(UINT, command);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const std::string path = Path(dir, QStringLiteral("sound.tks"));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(QString::fromStdString(path)));
        else
            QVERIFY(WriteAll(path, {}));
        if (kind == QLatin1String("vanished")) // chosen, then gone before it is read
            QVERIFY(QFile::remove(QString::fromStdString(path)));

        CShell shell;
        QVERIFY(shell.Start());
        shell.files.answers = {path};
        shell.Frame()->ExecuteCommand(command);
        CShell::Settle();
        QCOMPARE(shell.messages.texts.size(), std::size_t(1));
        if (kind != QLatin1String("empty")) // an empty file has messages of its own
            QVERIFY2(shell.messages.texts.front().find(path) != std::string::npos,
                     shell.messages.texts.front().c_str());
        // Import keeps the new sound it made for the file; Open adds nothing.
        const int nWindows = command == ID_FILE_IMPORT ? 2 : 1;
        QVERIFY(int(shell.app->GetDocuments().size()) == nWindows &&
                shell.Windows().size() == nWindows);
        QCOMPARE(WindowTitles::Shown(*shell.ActiveFrame()),
                 QStringLiteral("Sound%1").arg(nWindows));
        QVERIFY(!QSettings().contains(QStringLiteral("Recent File List/File1")));
    }

    void failedSavesKeepTheOldFileAndTheChanges()
    {
        QTemporaryDir dir;
        const std::string path = Path(dir, QStringLiteral("song.tks"));
        CShell shell;
        QVERIFY(shell.Start());
        shell.files.answers = {path};
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FILE_SAVE));
        const QByteArray saved = ReadAll(path);
        QVERIFY(!saved.isEmpty());
        CSoundDoc* pDoc = shell.ActiveDoc();
        pDoc->CreatePattern(1, 4096, "grown");
        pDoc->SetModifiedFlag();

        {
            // The disk fills up part way through the new file.
            CFileSizeLimit limit(static_cast<rlim_t>(saved.size()));
            QVERIFY(limit.IsSet());
            shell.Frame()->ExecuteCommand(ID_FILE_SAVE);
        }
        QCOMPARE(shell.messages.texts.size(), std::size_t(1));
        QVERIFY2(shell.messages.texts.front().find("Cannot save") != std::string::npos,
                 shell.messages.texts.front().c_str());
        QVERIFY(ReadAll(path) == saved && pDoc->IsModified());

        // Save As into a folder that cannot be made (its parent is a file).
        shell.files.answers = {path + "/inside.tks"};
        shell.Frame()->ExecuteCommand(ID_FILE_SAVE_AS);
        QVERIFY(shell.messages.texts.size() == 2 && pDoc->IsModified() && ReadAll(path) == saved);
        QCOMPARE(pDoc->GetPathName(), path);

        // Nothing half-written is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("song.tks")});
    }
};

TARVOK_SHELL_TEST_MAIN(ShellFilesTest)
#include "shell_files_test.moc"
