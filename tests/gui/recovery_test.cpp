// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "app/RecoveryDialog.h"
#include "app/RecoveryStore.h"
#include "sound/SoundDoc.h"
#include "views/SoundUndo.h"

#include <QDirIterator>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

namespace
{
QStringList CopiesOnDisk()
{
    QStringList copies;
    QDirIterator it(CRecoveryStore::DefaultRoot(), {QStringLiteral("*.json")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        copies.append(it.next());
    return copies;
}

int Folders()
{
    return int(
        QDir(CRecoveryStore::DefaultRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Answers the recovery dialog whenever one is showing.
class CRecoveryAnswer : public QObject
{
public:
    explicit CRecoveryAnswer(CRecoveryDialog::Choice choice) : m_choice(choice)
    {
        connect(&m_timer, &QTimer::timeout, this, &CRecoveryAnswer::Answer);
        m_timer.start(10);
    }
    int m_nShown = 0;
    QStringList m_titles;

private:
    void Answer()
    {
        auto* pDialog = qobject_cast<CRecoveryDialog*>(QApplication::activeModalWidget());
        if (pDialog == nullptr)
            return;
        ++m_nShown;
        m_titles.append(pDialog->windowTitle());
        if (m_choice == CRecoveryDialog::Recover)
            QTest::keyClick(pDialog, Qt::Key_Return); // the default button
        else
            pDialog->GetButton(m_choice)->click();
    }
    CRecoveryDialog::Choice m_choice;
    QTimer m_timer;
};

std::unique_ptr<CSoundDoc> ChangedDocument(int nBeatsPerMinute)
{
    auto pDoc = std::make_unique<CSoundDoc>();
    pDoc->OnNewDocument();
    SoundProperties props = pDoc->GetProperties();
    props.beatsPerMinute = nBeatsPerMinute;
    pDoc->SetProperties(props);
    return pDoc;
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
    void init() { QDir(CRecoveryStore::DefaultRoot()).removeRecursively(); }

    void killedProgramsSoundIsOfferedAndRecovered()
    {
        QSettings().setValue(QStringLiteral("Recovery/IntervalSeconds"), 1);
        QSettings().sync();
        QProcess program;
        // An imported resource starts modified: the copy comes without any typing.
        program.start(QStringLiteral(TARVOK_EXE),
                      {QStringLiteral("--no-sound"), SoundsDir() + "/buddhies-sound000.agi"});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!CopiesOnDisk().isEmpty(), 30000);
        program.kill();
        program.waitForFinished();

        CRecoveryAnswer answer(CRecoveryDialog::Recover);
        CShell shell;
        QVERIFY(shell.Start());
        QCOMPARE(answer.m_titles, QStringList{QStringLiteral("Recover unsaved sounds")});
        QCOMPARE(shell.app->GetAutosaveSeconds(), 5);
        QCOMPARE(shell.Windows().size(), 1); // no empty Sound1 besides
        CSoundDoc* pDoc = shell.ActiveDoc();
        QCOMPARE(QString::fromStdString(pDoc->GetTitle()), QStringLiteral("Sound1"));
        QVERIFY(pDoc->IsModified() && pDoc->m_patterns[0].size() > 1);
        QVERIFY(!CSoundUndo::For(pDoc)->Stack().isClean());
        // The dead program's folder went once this one held its own copy.
        QCOMPARE(Folders(), 1);
        QCOMPARE(CopiesOnDisk().size(), 1);
        shell.app->OnFileNew();
        QCOMPARE(QString::fromStdString(shell.ActiveDoc()->GetTitle()), QStringLiteral("Sound2"));
        shell.Quit();
        QCOMPARE(Folders(), 0);
        QSettings().remove(QStringLiteral("Recovery"));
    }

    void choiceDecidesWhatHappensToCopies_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("windows");
        QTest::addColumn<int>("copiesLeft");
        QTest::newRow("recover") << int(CRecoveryDialog::Recover) << 2 << 2;
        QTest::newRow("discard") << int(CRecoveryDialog::Discard) << 1 << 0;
        QTest::newRow("later") << int(CRecoveryDialog::Later) << 1 << 2;
    }

    void choiceDecidesWhatHappensToCopies()
    {
        QFETCH(int, choice);
        QFETCH(int, windows);
        QFETCH(int, copiesLeft);
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("work.tks")).toStdString();
        {
            // A program that ends without closing its store, as a crash would.
            CRecoveryStore crashed;
            QVERIFY(crashed.Open());
            auto pSaved = ChangedDocument(99);
            QVERIFY(pSaved->OnSaveDocument(path));
            pSaved->SetPathName(path);
            pSaved->SetProperties({77, 16, 4});
            auto pGame = ChangedDocument(88);
            pGame->SetTitle("Sound4");
            pGame->m_strGameFolder = "/games/kq";
            pGame->m_nGameSound = 12;
            QVERIFY(crashed.Write(pSaved.get()) && crashed.Write(pGame.get()));
        }
        CRecoveryAnswer answer{CRecoveryDialog::Choice(choice)};
        CShell shell;
        QVERIFY(shell.Start());
        QCOMPARE(answer.m_nShown, 1);
        QCOMPARE(shell.Windows().size(), windows);
        // Recovered copies now belong to this program; the others stay for a later start.
        QCOMPARE(CopiesOnDisk().size(), copiesLeft);
        if (choice != CRecoveryDialog::Recover)
            return;
        CSoundDoc* pGame = shell.ActiveDoc();
        QVERIFY(pGame->GetTitle() == "Sound4" && pGame->GetPathName().empty());
        QVERIFY(pGame->m_strGameFolder == "/games/kq" && pGame->m_nGameSound == 12);
        QCOMPARE(pGame->GetProperties().beatsPerMinute, 88);
        CSoundDoc* pSaved = shell.app->GetDocuments().front().get();
        QVERIFY(pSaved->GetPathName() == path && pSaved->GetTitle() == "work.tks");
        QVERIFY(pSaved->IsModified() && pSaved->m_nGameSound == -1);
        // Saving writes where the document belongs and its copy goes.
        QVERIFY(shell.app->DoFileSave(pSaved));
        QVERIFY(shell.files.requests.empty());
        CSoundDoc reread;
        QVERIFY(reread.OnOpenDocument(path));
        QCOMPARE(reread.GetProperties().beatsPerMinute, 77);
        QCOMPARE(CopiesOnDisk().size(), 1);
        shell.app->OnFileNew();
        QCOMPARE(QString::fromStdString(shell.ActiveDoc()->GetTitle()), QStringLiteral("Sound5"));
    }

    void runningProgramsCopiesAreNeitherOfferedNorDiscarded()
    {
        CRecoveryStore running;
        QVERIFY(running.Open());
        auto pDoc = ChangedDocument(90);
        QVERIFY(running.Write(pDoc.get()));
        {
            CRecoveryAnswer answer(CRecoveryDialog::Discard);
            CShell shell;
            QVERIFY(shell.Start());
            QCOMPARE(answer.m_nShown, 0);
            CRecoveryStore second;
            QVERIFY(second.Open());
            QVERIFY(second.ClaimOrphans().empty());
            second.ReleaseOrphans(true);
            second.Close();
        }
        QCOMPARE(CopiesOnDisk().size(), 1);
        running.Close();
        QCOMPARE(Folders(), 0);
    }

    void saveOrCloseRemovesTheCopy_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("save") << true;
        QTest::newRow("close without saving") << false;
    }

    void saveOrCloseRemovesTheCopy()
    {
        QFETCH(bool, save);
        QTemporaryDir dir;
        CShell shell;
        QVERIFY(shell.Start());
        CSoundDoc* pDoc = shell.app->ImportAGI(
            QFile::encodeName(SoundsDir() + "/buddhies-sound001.agi").toStdString());
        shell.app->AutosaveNow();
        QCOMPARE(CopiesOnDisk().size(), 1);
        if (save)
        {
            shell.files.answers = {dir.filePath(QStringLiteral("a.tks")).toStdString()};
            QVERIFY(shell.app->DoFileSave(pDoc));
        }
        else
        {
            shell.messages.answers = {IDNO};
            QVERIFY(shell.Frame()->ExecuteCommand(ID_FILE_CLOSE));
        }
        QVERIFY(CopiesOnDisk().isEmpty());
    }

    void logoutAsksToSaveAsExitDoes_data()
    {
        QTest::addColumn<bool>("interaction");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<int>("prompts");
        QTest::newRow("cancel") << true << int(IDCANCEL) << true << 1;
        QTest::newRow("no") << true << int(IDNO) << false << 1;
        QTest::newRow("no interaction") << false << int(IDCANCEL) << false << 0;
    }

    void logoutAsksToSaveAsExitDoes()
    {
        struct CStubLogout : ILogoutRequest
        {
            bool bInteraction = true;
            bool bCancelled = false;
            bool AllowsInteraction() override { return bInteraction; }
            void Cancel() override { bCancelled = true; }
        } request;
        QFETCH(bool, interaction);
        QFETCH(int, answer);
        QFETCH(bool, cancelled);
        QFETCH(int, prompts);
        CShell shell;
        QVERIFY(shell.Start());
        shell.ActiveDoc()->SetModifiedFlag();
        shell.messages.answers = {answer};
        request.bInteraction = interaction;
        shell.app->OnLogoutRequest(request);
        QCOMPARE(request.bCancelled, cancelled);
        QCOMPARE(int(shell.messages.texts.size()), prompts);
        // Whatever the answer, the work is on the disk should the session end the program.
        QCOMPARE(CopiesOnDisk().size(), 1);
    }
};

TARVOK_SHELL_TEST_MAIN(RecoveryTest)
#include "recovery_test.moc"
