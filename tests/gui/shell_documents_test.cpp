// SPDX-License-Identifier: GPL-3.0-or-later
// Documents in the main window: opening, saving, closing, their titles and windows, and the
// copies that recover them after the program ended.
#include "ShellTestSupport.h"

#include "app/QtUserInterface.h"
#include "app/RecoveryDialog.h"
#include "app/WindowTitles.h"
#include "session/SoundUndo.h"
#include "sound/SoundPattern.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QWindow>

#include <csignal>
#include <sys/resource.h>

namespace
{
std::string MakeDocumentFile(const QTemporaryDir& dir, const QString& name)
{
    const std::string path = LocalPath(dir.filePath(name));
    CSoundDoc doc;
    doc.OnNewDocument();
    doc.CreatePattern(1, 8, "marker");
    if (!doc.OnSaveDocument(path))
        return {};
    return path;
}

QStringList ShownTitles(const CShell& shell)
{
    QStringList titles;
    for (QMdiSubWindow* pWindow : shell.Windows())
        titles.append(WindowTitles::Shown(*pWindow));
    return titles;
}

// A new document: pattern "000" of 16 rows placed at 0 on Voice0 and nothing else.
bool HoldsNewDocumentContents(CSoundDoc* pDoc)
{
    std::lock_guard lock(pDoc->Guard());
    if (pDoc->GetPatterns(0).size() != 1 || pDoc->GetSequence(0).size() != 1)
        return false;
    for (int channel = 1; channel < kChannelCount; ++channel)
        if (!pDoc->GetPatterns(channel).empty() || !pDoc->GetSequence(channel).empty())
            return false;
    const CSoundPattern* pPattern = pDoc->GetPatterns(0).front().get();
    return pPattern->GetName() == "000" && pPattern->GetRows() == 16 &&
           pDoc->GetSequence(0).begin()->first == 0;
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
        bSet = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool bSet = false;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

int CopiesOnDisk()
{
    int n = 0;
    for (QDirIterator it(CRecoveryStore::DefaultRoot(), {QStringLiteral("*.json")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++n;
    return n;
}
} // namespace

class ShellDocumentsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings().clear();
        QSettings().sync();
    }

    // Maximized or not, the main window names the sound once; each window shows its own mark.
    void startsWithSound1AndNewGivesSound2()
    {
        CShell shell;
        QVERIFY(shell.Start());
        QVERIFY(ShownTitles(shell) == QStringList{"Sound1"} &&
                shell.Frame()->windowHandle()->title() == "Sound1 – Tarvok");
        QVERIFY(HoldsNewDocumentContents(shell.ActiveDoc()) && !shell.ActiveDoc()->IsModified());
        // Made before the main window showed, yet laid out at its size, inside the area.
        const QSize area = shell.Frame()->GetMdiArea()->viewport()->size();
        QCOMPARE(shell.ActiveFrame()->size(), QSize(720, 480).boundedTo(area));
        shell.ActiveDoc()->SetModifiedFlag();
        shell.Frame()->UpdateCommandStates();
        QCOMPARE(shell.Frame()->windowHandle()->title(), QStringLiteral("Sound1* – Tarvok"));

        shell.ActiveFrame()->showMaximized();
        shell.Settle();
        shell.Frame()->UpdateCommandStates();
        QCOMPARE(shell.Frame()->windowHandle()->title(), QStringLiteral("Sound1* – Tarvok"));
        QCOMPARE(WindowTitles::Shown(*shell.ActiveFrame()), QStringLiteral("Sound1*"));

        QVERIFY(shell.Frame()->Trigger(ID_FILE_NEW));
        shell.Settle();
        QVERIFY(shell.ActiveFrame()->isMaximized() && shell.messages.texts.empty());
        QCOMPARE(shell.Frame()->windowHandle()->title(), QStringLiteral("Sound2 – Tarvok"));
        QCOMPARE(ShownTitles(shell), (QStringList{"Sound1*", "Sound2"}));
        QCOMPARE(WindowTitles::Shown(*shell.ActiveFrame()), QStringLiteral("Sound2"));

        shell.ActiveFrame()->showNormal();
        shell.Settle();
        QCOMPARE(shell.Frame()->windowHandle()->title(), QStringLiteral("Sound2 – Tarvok"));
    }

    void firstStartTakesTheScreenLaterOnesTheLastSize()
    {
        {
            CShell shell;
            QVERIFY(shell.Start());
            QVERIFY(shell.Frame()->isMaximized());
            shell.Frame()->showNormal();
            shell.Frame()->resize(700, 500);
            shell.Settle();
        }
        CShell shell;
        QVERIFY(shell.Start());
        QVERIFY(!shell.Frame()->isMaximized());
        QCOMPARE(shell.Frame()->size(), QSize(700, 500));
    }

    void commandLine()
    {
        QTemporaryDir dir;
        const std::string path = MakeDocumentFile(dir, QStringLiteral("tune.tks"));
        QVERIFY(!path.empty());
        {
            CShell shell;
            QVERIFY(shell.Start({QStringLiteral("--no-sound"), QString::fromStdString(path)}));
            QCOMPARE(ShownTitles(shell), QStringList{QStringLiteral("tune.tks")});
            QCOMPARE(shell.ActiveDoc()->GetPatterns(1).front()->GetName(), std::string("marker"));
            QCOMPARE(shell.app->Documents().GetRecentFileList().GetEntries(),
                     QStringList{QString::fromStdString(path)});
        }
        QCOMPARE(QSettings().value(QStringLiteral("Recent File List/File1")).toString(),
                 QString::fromStdString(path));

        // A file that cannot be opened is named, and the editor goes on with a new sound.
        for (const char* name : {"absent.tks", "absent.mid"})
        {
            CShell missing;
            const QString absent = dir.filePath(QString(name));
            QVERIFY(missing.Start({QStringLiteral("--no-sound"), absent}));
            QCOMPARE(missing.messages.texts.size(), std::size_t(1));
            QVERIFY(QString::fromStdString(missing.messages.texts.front()).contains(absent));
            QCOMPARE(ShownTitles(missing), QStringList{QStringLiteral("Sound1")});
        }
        CShell unknown;
        QVERIFY(!unknown.Start({QStringLiteral("--loud")}));
    }

    void openingAnOpenDocumentActivatesIt()
    {
        QTemporaryDir dir;
        const std::string path = MakeDocumentFile(dir, QStringLiteral("once.tks"));
        CShell shell;
        QVERIFY(shell.Start());
        // Cancelled choosers change nothing.
        QVERIFY(shell.Frame()->Trigger(ID_FILE_IMPORT) && shell.Frame()->Trigger(ID_FILE_OPEN));
        QVERIFY(ShownTitles(shell) == QStringList{"Sound1"} && shell.messages.texts.empty());
        const auto& requests = shell.files.requests;
        QVERIFY(requests[0].bFileMustExist && requests[1].bOpen);
        // Open starts by showing every file that opens.
        const QString shown = TranslateFileFilter(requests[1].strFilter).value(0);
        const QStringList patterns = shown.section(QLatin1Char('('), 1).chopped(1).split(' ');
        for (const char* name : {"a.tks", "b.MIDI", "c.vgz", "SOUND005"})
            QVERIFY2(QDir::match(patterns, QString(name)), name);

        shell.files.answers = {path, path};
        for (const UINT nID : {ID_FILE_OPEN, ID_FILE_NEW, ID_FILE_OPEN})
            QVERIFY(shell.Frame()->Trigger(nID));
        QVERIFY(shell.app->Documents().GetDocuments().size() == 3 &&
                WindowTitles::Shown(*shell.ActiveFrame()) == "once.tks");
    }

    // What the reader dropped to take a file is said once it is open, all of it at once.
    void openingSaysWhatTheFileLost()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lost.tks"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<sound type=\"tracker\">\r\n<machine channel=\"0\" name=\"Voice0\" "
                   "nextpattern=\"1\">\r\n<pattern index=\"0\" name=\"000\" rows=\"4\">\r\n"
                   "<row index=\"0\" note=\"C-5\" instrument=\"7\" />\r\n<row index=\"1\" "
                   "note=\"D-5\" instrument=\"8\" />\r\n</pattern>\r\n</machine>\r\n</sound>\r\n");
        file.close();
        CShell shell;
        QVERIFY(shell.Start());
        shell.files.answers = {LocalPath(path)};
        QVERIFY(shell.Frame()->Trigger(ID_FILE_OPEN));
        QTest::qWait(200); // the new window takes the focus, and the message outlasts it
        QCOMPARE(
            shell.Frame()->GetMessageText(),
            QString("lost.tks: Voice0 pattern 000 row 0: no instrument 7, dropped from 1 cell; "
                    "Voice0 pattern 000 row 1: no instrument 8, dropped from 1 cell"));
    }

    void importOfADamagedResourceNamesItAndOpensNoWindow()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("damaged"));
        QVERIFY(WriteAll(file, QByteArray("\x08\x00\x7f", 3)));

        CShell shell;
        QVERIFY(shell.Start());
        shell.files.answers = {LocalPath(file)};
        QVERIFY(shell.Frame()->Trigger(ID_FILE_IMPORT));
        QCOMPARE(ShownTitles(shell), (QStringList{"Sound1"}));
        QCOMPARE(shell.messages.texts.size(), std::size_t(1));
        QVERIFY2(shell.messages.texts.front().find(LocalPath(file)) != std::string::npos,
                 shell.messages.texts.front().c_str());
        QVERIFY(HoldsNewDocumentContents(shell.ActiveDoc()));
    }

    void closingAModifiedDocumentAsks()
    {
        QTemporaryDir dir;
        CShell shell;
        QVERIFY(shell.Start());
        shell.ActiveDoc()->SetModifiedFlag();

        shell.messages.answers = {Answer::Cancel};
        QVERIFY(shell.Frame()->Trigger(ID_FILE_CLOSE));
        QCOMPARE(shell.messages.texts, std::vector<std::string>{"Save changes to Sound1?"});
        QVERIFY(shell.messages.requests.front().buttons == Buttons::YesNoCancel &&
                shell.messages.requests.front().kind == MessageKind::Warning &&
                shell.app->Documents().GetDocuments().size() == 1);
        shell.messages.answers = {Answer::Cancel};
        QVERIFY(!shell.Frame()->close() && shell.Frame()->isVisible());

        // Closing the window itself asks the same; "Yes" saves under the chosen name.
        const std::string path = LocalPath(dir.filePath(QStringLiteral("kept.tks")));
        shell.messages.answers = {Answer::Yes};
        shell.files.answers = {path};
        QVERIFY(shell.ActiveFrame()->close());
        shell.Settle();
        QVERIFY(shell.app->Documents().GetDocuments().empty() && shell.Windows().isEmpty());
        QVERIFY(shell.files.requests.back().strFileName == "Sound1.tks" &&
                shell.files.requests.back().bOverwritePrompt);
        CSoundDoc reloaded;
        QVERIFY(reloaded.OnOpenDocument(path));

        // "No" closes without saving; a document without changes closes without a question.
        QVERIFY(shell.Frame()->Trigger(ID_FILE_NEW));
        shell.ActiveDoc()->SetModifiedFlag();
        QVERIFY(shell.Frame()->Trigger(ID_FILE_NEW));
        shell.messages.texts.clear();
        shell.messages.answers = {Answer::No};
        QVERIFY(shell.Frame()->Trigger(ID_FILE_CLOSE));
        shell.Settle();
        QVERIFY(shell.Frame()->Trigger(ID_FILE_CLOSE));
        shell.Settle();
        QVERIFY(shell.messages.texts == std::vector<std::string>{"Save changes to Sound2?"} &&
                shell.app->Documents().GetDocuments().empty());
    }

    void saveAsRenamesAndRemembers()
    {
        QTemporaryDir dir;
        CShell shell;
        QVERIFY(shell.Start());
        QStringList expected;
        for (int i = 1; i <= 5; ++i)
        {
            const QString path = dir.filePath(QStringLiteral("song%1.tks").arg(i));
            shell.files.answers = {LocalPath(path)};
            QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE_AS));
            expected.prepend(path);
        }
        QVERIFY(WindowTitles::Shown(*shell.ActiveFrame()) == "song5.tks" &&
                shell.Frame()->windowHandle()->title() == "song5.tks – Tarvok");
        expected.removeLast();
        QCOMPARE(shell.app->Documents().GetRecentFileList().GetEntries(), expected);

        // Save writes to the document's own file without asking.
        shell.ActiveDoc()->SetModifiedFlag();
        QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE));
        QVERIFY(!shell.ActiveDoc()->IsModified() && shell.files.requests.size() == 5);
    }

    void recentFilesOpenAndMissingOnesAreForgotten()
    {
        QTemporaryDir dir;
        const std::string kept = MakeDocumentFile(dir, QStringLiteral("kept.tks"));
        const std::string gone = MakeDocumentFile(dir, QStringLiteral("gone.tks"));
        {
            QSettings settings;
            settings.setValue(QStringLiteral("Recent File List/File1"),
                              QString::fromStdString(gone));
            settings.setValue(QStringLiteral("Recent File List/File2"),
                              QString::fromStdString(kept));
        }
        QVERIFY(QFile::remove(QString::fromStdString(gone)));
        CShell shell;
        QVERIFY(shell.Start());
        QVERIFY(shell.Command(ID_FILE_MRU_FILE1 + 1)->isEnabled() &&
                !shell.Command(ID_FILE_MRU_FILE1 + 2)->isEnabled());

        QVERIFY(shell.Frame()->Trigger(ID_FILE_MRU_FILE1 + 1));
        QVERIFY(WindowTitles::Shown(*shell.ActiveFrame()) == "kept.tks" &&
                shell.Frame()->Trigger(ID_FILE_MRU_FILE1 + 1));
        QCOMPARE(shell.messages.texts.size(), std::size_t(1));
        QCOMPARE(shell.app->Documents().GetRecentFileList().GetEntries(),
                 QStringList{QString::fromStdString(kept)});
    }

    void severalWindowsOnOneDocument()
    {
        CShell shell;
        QVERIFY(shell.Start());
        CSoundDoc* pDoc = shell.ActiveDoc();
        pDoc->SetModifiedFlag();
        QVERIFY(shell.Frame()->Trigger(ID_WINDOW_NEW));
        QVERIFY(ShownTitles(shell) == (QStringList{"Sound1:1*", "Sound1:2*"}) &&
                shell.ActiveDoc() == pDoc);

        // Only the last window of a document asks to save.
        QVERIFY(shell.ActiveFrame()->close());
        shell.Settle();
        QVERIFY(shell.messages.texts.empty() && ShownTitles(shell) == QStringList{"Sound1*"});
        shell.messages.answers = {Answer::Cancel};
        QVERIFY(!shell.Windows().front()->close());
        QVERIFY(shell.messages.texts.size() == 1 &&
                shell.app->Documents().GetDocuments().size() == 1);
    }

    void quittingWhilePlayingEndsThePlayThreadFirst()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);

        shell.app->Playback().PostPlay(shell.ActiveDoc(), nullptr, 0);
        QVERIFY(pThread->WaitUntilHandled() && pDevice->SnapshotStream().bPlaying);

        // Closing the window stops the sound before its document goes; exit then joins.
        QVERIFY(shell.Frame()->close());
        QVERIFY(shell.app->Documents().GetDocuments().empty() &&
                !pDevice->SnapshotStream().bPlaying);
        shell.app->ExitInstance();
        QVERIFY(shell.app->Playback().GetPlayThread() == nullptr);
    }

    void soundResourceOpenedAnyWayIsImportedUnderItsName_data()
    {
        QTest::addColumn<QString>("route");
        for (const char* route : kOpenRoutes)
            QTest::newRow(route) << QString(route);
    }

    void soundResourceOpenedAnyWayIsImportedUnderItsName()
    {
        QFETCH(QString, route);
        const QString sample = QStringLiteral(TARVOK_SOUNDS_DIR "/buddhies-sound001.agi");
        const QByteArray original = ReadAll(sample);
        CShell shell;
        QVERIFY(OpenBy(shell, route, sample));
        CSoundDoc* pDoc = shell.ActiveDoc();
        QVERIFY(pDoc != nullptr && shell.messages.texts.empty());
        QCOMPARE(QString::fromStdString(pDoc->GetTitle()), QStringLiteral("buddhies-sound001"));
        QVERIFY(pDoc->GetPathName().empty() && pDoc->GetPatterns(0).size() > 1);
        // Saving asks for a document of the same name; the resource itself is never written.
        const std::size_t nAsked = shell.files.requests.size();
        QVERIFY(!shell.app->Documents().DoFileSave(pDoc));
        QVERIFY(shell.files.requests.size() == nAsked + 1 && !shell.files.requests.back().bOpen);
        QCOMPARE(shell.files.requests.back().strFileName, std::string("buddhies-sound001.tks"));
        QVERIFY(!original.isEmpty() && ReadAll(sample) == original);
    }

    void filesThatCannotBeOpenedGiveAMessage_data()
    {
        QTest::addColumn<UINT>("command");
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"vanished", "folder", "empty", "damaged"})
            for (const auto& [command, nID] :
                 {std::pair("open", ID_FILE_OPEN), {"import", ID_FILE_IMPORT}})
                QTest::addRow("%s %s", command, kind) << UINT(nID) << QString(kind);
    }
    void filesThatCannotBeOpenedGiveAMessage()
    {
        QFETCH(UINT, command);
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("sound.tks"));
        const std::string path = LocalPath(file);
        QVERIFY(kind == "folder" ? QDir().mkdir(file)
                                 : WriteAll(file, kind == "damaged" ? "<sound>\n<pattern>" : ""));
        if (kind == "vanished") // chosen, then gone before it is read
            QVERIFY(QFile::remove(file));

        CShell shell;
        QVERIFY(shell.Start());
        shell.files.answers = {path};
        shell.Frame()->Trigger(command);
        CShell::Settle();
        QCOMPARE(shell.messages.texts.size(), std::size_t(1));
        const std::string& text = shell.messages.texts.front();
        QVERIFY2(text.find(path) != std::string::npos, text.c_str());
        QVERIFY2(kind != "damaged" || command == ID_FILE_IMPORT ||
                     text.find("line 1: no end tag for <sound>") != std::string::npos,
                 text.c_str());
        // Neither leaves a window behind.
        QVERIFY(shell.app->Documents().GetDocuments().size() == 1 && shell.Windows().size() == 1);
        QCOMPARE(WindowTitles::Shown(*shell.ActiveFrame()), QStringLiteral("Sound1"));
        QVERIFY(!QSettings().contains(QStringLiteral("Recent File List/File1")));
    }

    void failedSavesKeepTheOldFileAndTheChanges()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("song.tks"));
        const std::string path = LocalPath(file);
        CShell shell;
        QVERIFY(shell.Start());
        shell.files.answers = {path};
        QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE));
        const QByteArray saved = ReadAll(file);
        QVERIFY(!saved.isEmpty());
        CSoundDoc* pDoc = shell.ActiveDoc();
        pDoc->CreatePattern(1, 4096, "grown");
        pDoc->SetModifiedFlag();

        {
            // The disk fills up part way through the new file.
            CFileSizeLimit limit(static_cast<rlim_t>(saved.size()));
            QVERIFY(limit.bSet);
            shell.Frame()->Trigger(ID_FILE_SAVE);
        }
        QCOMPARE(shell.messages.texts.size(), std::size_t(1));
        QVERIFY2(shell.messages.texts.front().find("Cannot save") != std::string::npos,
                 shell.messages.texts.front().c_str());
        QVERIFY(ReadAll(file) == saved && pDoc->IsModified());

        // Save As into a folder that cannot be made (its parent is a file).
        shell.files.answers = {path + "/inside.tks"};
        shell.Frame()->Trigger(ID_FILE_SAVE_AS);
        QVERIFY(shell.messages.texts.size() == 2 && pDoc->IsModified() && ReadAll(file) == saved);
        QCOMPARE(pDoc->GetPathName(), path);

        // Nothing half-written is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("song.tks")});
    }

    void unsavedSoundsOfEndedProgramsAreRecovered()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Zantiva Software"));
        QCoreApplication::setApplicationName(QStringLiteral("Tarvok"));
        QSettings().setValue(QStringLiteral("Recovery/IntervalSeconds"), 1); // taken as 5
        QSettings().sync();
        QProcess killed;
        // An imported resource starts modified: its copy comes without any typing.
        killed.start(QStringLiteral(TARVOK_EXE),
                     {QStringLiteral("--no-sound"), TARVOK_SOUNDS_DIR "/buddhies-sound000.agi"});
        QTRY_VERIFY_WITH_TIMEOUT(CopiesOnDisk() == 1, 30000);
        killed.kill();
        killed.waitForFinished();

        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("work.tks")).toStdString();
        CSoundDoc running, saved, game;
        CRecoveryStore runningStore;
        {
            CRecoveryStore crashed; // left without Close(), as a crash leaves it
            QVERIFY(runningStore.Open() && crashed.Open());
            for (CSoundDoc* pDoc : {&running, &saved, &game})
                pDoc->OnNewDocument();
            QVERIFY(saved.OnSaveDocument(path));
            saved.SetPathName(path);
            saved.SetProperties({77, 16, 4});
            game.SetTitle("Sound4");
            const GameOrigin kq{"/games/kq", 12};
            QVERIFY(runningStore.Write(&running, {}) && crashed.Write(&saved, {}) &&
                    crashed.Write(&game, kq));
        }

        int nOffered = 0;
        QTimer answer; // Enter: the default button
        connect(&answer, &QTimer::timeout,
                [&nOffered]
                {
                    if (auto* pDialog =
                            qobject_cast<CRecoveryDialog*>(QApplication::activeModalWidget()))
                    {
                        nOffered += pDialog->windowTitle() == "Recover unsaved sounds" ? 1 : 100;
                        QTest::keyClick(pDialog, Qt::Key_Return);
                    }
                });
        answer.start(10);
        CShell shell;
        QVERIFY(shell.Start());
        // The running program's sound is not offered, and no empty Sound1 opens.
        QVERIFY(nOffered == 1 && shell.Windows().size() == 3);
        const auto& docs = shell.app->Documents().GetDocuments();
        CSoundDoc* pKilled = docs[0].get();
        QVERIFY(pKilled->GetTitle() == "buddhies-sound000" && pKilled->GetPatterns(0).size() > 1);
        QVERIFY(pKilled->IsModified() &&
                !shell.app->Documents().GetSession(pKilled)->Undo().Stack().isClean());
        QVERIFY(shell.ActiveDoc() == docs[2].get() && docs[2]->GetPathName().empty());
        QVERIFY(shell.app->Documents().GetSession(docs[2].get())->GetGameOrigin() ==
                (GameOrigin{"/games/kq", 12}));
        QVERIFY(docs[1]->GetPathName() == path && docs[1]->IsModified());
        QVERIFY(shell.app->Documents().DoFileSave(docs[1].get()) && shell.files.requests.empty());
        CSoundDoc reread;
        QVERIFY(reread.OnOpenDocument(path) && reread.GetProperties().beatsPerMinute == 77);
        QCOMPARE(CopiesOnDisk(), 3); // this program's two and the running one's
        shell.app->Documents().OnFileNew();
        QVERIFY(shell.ActiveDoc()->GetTitle() == "Sound5");
        shell.Quit();
        runningStore.Close();
        QCOMPARE(QDir(CRecoveryStore::DefaultRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void logoutAsksToSaveAsExitDoes()
    {
        struct CStubLogout : ILogoutRequest
        {
            explicit CStubLogout(bool b) : bInteraction(b) {}
            bool bInteraction, bCancelled = false;
            bool AllowsInteraction() override { return bInteraction; }
            void Cancel() override { bCancelled = true; }
        };
        // Interaction allowed, answer, cancelled, questions asked.
        const std::tuple<bool, Answer, bool, std::size_t> cases[] = {
            {true, Answer::Cancel, true, 1},
            {true, Answer::No, false, 1},
            {false, Answer::Cancel, false, 0}};
        for (const auto& [bInteraction, answer, bCancelled, nAsked] : cases)
        {
            CShell shell;
            QVERIFY(shell.Start());
            shell.ActiveDoc()->SetModifiedFlag();
            shell.messages.answers = {answer};
            CStubLogout request(bInteraction);
            shell.app->Recovery().OnLogoutRequest(request);
            QVERIFY(request.bCancelled == bCancelled && shell.messages.texts.size() == nAsked);
            QCOMPARE(CopiesOnDisk(), 1); // on the disk should the session end the program
        }
    }
};

TARVOK_SHELL_TEST_MAIN(ShellDocumentsTest)
#include "shell_documents_test.moc"
