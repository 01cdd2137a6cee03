// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "app/RecoveryDialog.h"
#include "session/SoundUndo.h"
#include "sound/SoundDoc.h"

#include <QDirIterator>
#include <QProcess>

namespace
{
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

class RecoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void unsavedSoundsOfEndedProgramsAreRecovered()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Zantiva Software"));
        QCoreApplication::setApplicationName(QStringLiteral("Tarvok"));
        QSettings().setValue(QStringLiteral("Recovery/IntervalSeconds"), 1); // taken as 5
        QSettings().sync();
        QProcess killed;
        // An imported resource starts modified: its copy comes without any typing.
        killed.start(QStringLiteral(TARVOK_EXE),
                     {QStringLiteral("--no-sound"), SoundsDir() + "/buddhies-sound000.agi"});
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
        const auto& docs = shell.app->GetDocuments();
        CSoundDoc* pKilled = docs[0].get();
        QVERIFY(pKilled->GetTitle() == "Sound1" && pKilled->GetPatterns(0).size() > 1);
        QVERIFY(pKilled->IsModified() && !shell.app->GetSession(pKilled)->Undo().Stack().isClean());
        QVERIFY(shell.ActiveDoc() == docs[2].get() && docs[2]->GetPathName().empty());
        QVERIFY(shell.app->GetSession(docs[2].get())->GetGameOrigin() ==
                (GameOrigin{"/games/kq", 12}));
        QVERIFY(docs[1]->GetPathName() == path && docs[1]->IsModified());
        QVERIFY(shell.app->DoFileSave(docs[1].get()) && shell.files.requests.empty());
        CSoundDoc reread;
        QVERIFY(reread.OnOpenDocument(path) && reread.GetProperties().beatsPerMinute == 77);
        QCOMPARE(CopiesOnDisk(), 3); // this program's two and the running one's
        shell.app->OnFileNew();
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
        const std::tuple<bool, int, bool, std::size_t> cases[] = {
            {true, IDCANCEL, true, 1}, {true, IDNO, false, 1}, {false, IDCANCEL, false, 0}};
        for (const auto& [bInteraction, answer, bCancelled, nAsked] : cases)
        {
            CShell shell;
            QVERIFY(shell.Start());
            shell.ActiveDoc()->SetModifiedFlag();
            shell.messages.answers = {answer};
            CStubLogout request(bInteraction);
            shell.app->OnLogoutRequest(request);
            QVERIFY(request.bCancelled == bCancelled && shell.messages.texts.size() == nAsked);
            QCOMPARE(CopiesOnDisk(), 1); // on the disk should the session end the program
        }
    }
};

TARVOK_SHELL_TEST_MAIN(RecoveryTest)
#include "recovery_test.moc"
