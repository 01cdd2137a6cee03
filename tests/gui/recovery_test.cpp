// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "app/RecoveryDialog.h"
#include "sound/SoundDoc.h"
#include "views/SoundUndo.h"

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

// Starts a program whose recovery dialog is answered with Enter (its default button).
bool StartRecovering(CShell& shell, int& nOffered)
{
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout,
                     [&nOffered]
                     {
                         auto* pDialog =
                             qobject_cast<CRecoveryDialog*>(QApplication::activeModalWidget());
                         if (pDialog == nullptr)
                             return;
                         nOffered += pDialog->windowTitle() == "Recover unsaved sounds" ? 1 : 100;
                         QTest::keyClick(pDialog, Qt::Key_Return);
                     });
    answer.start(10);
    return shell.Start();
}
} // namespace

class RecoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Zantiva Software"));
        QCoreApplication::setApplicationName(QStringLiteral("Tarvok"));
    }

    void killedProgramsSoundIsRecovered()
    {
        QSettings().setValue(QStringLiteral("Recovery/IntervalSeconds"), 1); // taken as 5
        QSettings().sync();
        QProcess program;
        // An imported resource starts modified: its copy comes without any typing.
        program.start(QStringLiteral(TARVOK_EXE),
                      {QStringLiteral("--no-sound"), SoundsDir() + "/buddhies-sound000.agi"});
        QTRY_VERIFY_WITH_TIMEOUT(CopiesOnDisk() == 1, 30000);
        program.kill();
        program.waitForFinished();

        int nOffered = 0;
        CShell shell;
        QVERIFY(StartRecovering(shell, nOffered));
        QVERIFY(nOffered == 1 && shell.Windows().size() == 1); // no empty Sound1 besides
        CSoundDoc* pDoc = shell.ActiveDoc();
        QVERIFY(pDoc->GetTitle() == "Sound1" && pDoc->m_patterns[0].size() > 1);
        QVERIFY(pDoc->IsModified() && !CSoundUndo::For(pDoc)->Stack().isClean());
        QCOMPARE(CopiesOnDisk(), 1); // now this program's
        shell.Quit();
        QCOMPARE(QDir(CRecoveryStore::DefaultRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void runningProgramKeepsItsCopiesAndSavedOnesGoBack()
    {
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
            game.m_strGameFolder = "/games/kq";
            game.m_nGameSound = 12;
            QVERIFY(runningStore.Write(&running) && crashed.Write(&saved) && crashed.Write(&game));
        }
        int nOffered = 0;
        CShell shell;
        QVERIFY(StartRecovering(shell, nOffered));
        QVERIFY(nOffered == 1 && shell.Windows().size() == 2);
        CSoundDoc* pGame = shell.ActiveDoc();
        QVERIFY(pGame->GetTitle() == "Sound4" && pGame->GetPathName().empty());
        QVERIFY(pGame->m_strGameFolder == "/games/kq" && pGame->m_nGameSound == 12);
        CSoundDoc* pSaved = shell.app->GetDocuments().front().get();
        QVERIFY(pSaved->GetPathName() == path && pSaved->IsModified());
        QVERIFY(shell.app->DoFileSave(pSaved) && shell.files.requests.empty());
        CSoundDoc reread;
        QVERIFY(reread.OnOpenDocument(path) && reread.GetProperties().beatsPerMinute == 77);
        QCOMPARE(CopiesOnDisk(), 2); // the running program's and the game sound's
        shell.app->OnFileNew();
        QVERIFY(shell.ActiveDoc()->GetTitle() == "Sound5");
        shell.Quit();
        QCOMPARE(CopiesOnDisk(), 1);
        runningStore.Close();
    }

    void logoutAsksToSaveAsExitDoes()
    {
        struct CStubLogout : ILogoutRequest
        {
            bool bInteraction = true;
            bool bCancelled = false;
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
            CStubLogout request;
            request.bInteraction = bInteraction;
            shell.app->OnLogoutRequest(request);
            QVERIFY(request.bCancelled == bCancelled && shell.messages.texts.size() == nAsked);
            QCOMPARE(CopiesOnDisk(), 1); // on the disk should the session end the program
        }
    }
};

TARVOK_SHELL_TEST_MAIN(RecoveryTest)
#include "recovery_test.moc"
