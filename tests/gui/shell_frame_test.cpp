// The main window: the two menu sets, command state, the status bar's idle prompt, the
// toolbars and their stored arrangement, the sound window's splitter, help and About.

#include "ShellTestSupport.h"

#include "app/AboutDlg.h"
#include "app/HelpWindow.h"
#include "app/QtUserInterface.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QWhatsThis>

#include <future>
#include <thread>

namespace
{
QStringList MenuTitles(const CMainFrame* pFrame)
{
    QStringList titles;
    for (QAction* pAction : pFrame->menuBar()->actions())
        titles.append(pAction->text());
    return titles;
}

QAction* ToolbarAction(const QToolBar* pBar, UINT nID)
{
    for (QAction* pAction : pBar->actions())
        if (pAction->property("tarvokCommand").toUInt() == nID)
            return pAction;
    return nullptr;
}

QAction* MenuAction(const QMenu* pMenu, UINT nID)
{
    for (QAction* pAction : pMenu->actions())
        if (pAction->property("tarvokCommand").toUInt() == nID)
            return pAction;
    return nullptr;
}

void ActivateMainWindow(CShell& shell)
{
    shell.Frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shell.Frame()));
}
} // namespace

class ShellFrameTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings().clear();
        QSettings().sync();
    }

    void menusFollowTheActiveWindow()
    {
        CShell shell;
        QVERIFY(shell.Start());
        CMainFrame* pFrame = shell.Frame();
        QCOMPARE(MenuTitles(pFrame),
                 (QStringList{"&File", "&Edit", "&View", "Sound &Resource", "&Window", "&Help"}));
        QVERIFY(pFrame->QueryCommandState(ID_FILE_SAVE).m_bEnabled);

        QVERIFY(pFrame->ExecuteCommand(ID_FILE_CLOSE));
        shell.Settle();
        QCOMPARE(MenuTitles(pFrame), (QStringList{"&File", "&View", "&Help"}));
        QCOMPARE(pFrame->windowTitle(), QStringLiteral("Tarvok"));
        for (const UINT nID : {ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_PRINT,
                               ID_EDIT_UNDO, ID_SOUND_PLAY, ID_WINDOW_NEW})
            QVERIFY2(!pFrame->QueryCommandState(nID).m_bEnabled, qPrintable(QString::number(nID)));
        QVERIFY(!pFrame->ExecuteCommand(ID_FILE_SAVE));
        for (const UINT nID :
             {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_IMPORT, ID_APP_ABOUT, ID_APP_EXIT})
            QVERIFY(pFrame->QueryCommandState(nID).m_bEnabled);

        // What the person sees: the File menu's Close item and the toolbar's buttons.
        QMenu* pFile = pFrame->FindPopup(QStringLiteral("&File"));
        QVERIFY(pFile != nullptr);
        pFile->popup(QPoint(0, 0));
        QVERIFY(!MenuAction(pFile, ID_FILE_CLOSE)->isEnabled());
        QVERIFY(MenuAction(pFile, ID_FILE_NEW)->isEnabled());
        pFile->close();
        pFrame->UpdateCommandUI();
        QVERIFY(!ToolbarAction(pFrame->GetToolBar(), ID_FILE_SAVE)->isEnabled());
        QVERIFY(!ToolbarAction(pFrame->GetToolBar(), ID_FILE_PRINT)->isEnabled());
        QVERIFY(ToolbarAction(pFrame->GetToolBar(), ID_FILE_NEW)->isEnabled());

        QVERIFY(pFrame->ExecuteCommand(ID_FILE_NEW));
        QCOMPARE(MenuTitles(pFrame).size(), 6);
    }

    void menusListRecentFilesAndWindows()
    {
        QTemporaryDir dir;
        CShell shell;
        QVERIFY(shell.Start());
        CMainFrame* pFrame = shell.Frame();
        QMenu* pFile = pFrame->FindPopup(QStringLiteral("&File"));
        const auto recentItems = [pFile]
        {
            QStringList texts;
            for (QAction* pAction : pFile->actions())
            {
                const UINT nID = pAction->property("tarvokCommand").toUInt();
                if (nID >= ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_LAST && pAction->isVisible())
                    texts.append(pAction->text());
            }
            return texts;
        };
        emit pFile->aboutToShow();
        QCOMPARE(recentItems(), QStringList{QStringLiteral("Recent File")});
        QVERIFY(!MenuAction(pFile, ID_FILE_MRU_FILE1)->isEnabled());

        const QString path = dir.filePath(QStringLiteral("a&b.tks"));
        shell.files.answers = {QFile::encodeName(path).toStdString()};
        QVERIFY(pFrame->ExecuteCommand(ID_FILE_SAVE_AS));
        QVERIFY(pFrame->ExecuteCommand(ID_WINDOW_NEW));
        for (int i = 0; i < 2; ++i)
        {
            emit pFile->aboutToShow();
            QCOMPARE(recentItems(),
                     QStringList{QStringLiteral("&1 ") + QString(path).replace("&", "&&")});
        }

        QMenu* pWindow = pFrame->FindPopup(QStringLiteral("&Window"));
        for (int i = 0; i < 2; ++i)
            emit pWindow->aboutToShow();
        QStringList windows;
        for (QAction* pAction : pWindow->actions())
            if (pAction->isCheckable())
                windows.append(pAction->text() +
                               (pAction->isChecked() ? QStringLiteral(" *") : QString()));
        QCOMPARE(windows, (QStringList{"&1 a&&b.tks:1", "&2 a&&b.tks:2 *"}));
    }

    void idlePromptSurvivesAMenu_data()
    {
        QTest::addColumn<UINT>("prompt");
        QTest::addColumn<QString>("text");
        QTest::newRow("note") << IDS_PROMPT_NOTE << "Insert a note (range C-0 to B-9)";
        QTest::newRow("attenuation")
            << IDS_PROMPT_ATTENUATION << "Change attenuation (0=loud to 15=silent)";
        QTest::newRow("framework") << AFX_IDS_IDLEMESSAGE << "For Help, press F1";
    }

    void idlePromptSurvivesAMenu()
    {
        QFETCH(UINT, prompt);
        QFETCH(QString, text);
        CShell shell;
        QVERIFY(shell.Start());
        ActivateMainWindow(shell);
        CMainFrame* pFrame = shell.Frame();
        shell.app->SetIdleMessage(prompt);
        QCOMPARE(pFrame->GetMessageText(), text);

        QMenu* pFile = pFrame->FindPopup(QStringLiteral("&File"));
        QMenuBar* pMenuBar = pFrame->menuBar();
        QTest::mouseClick(pMenuBar, Qt::LeftButton, {},
                          pMenuBar->actionGeometry(pFile->menuAction()).center());
        QVERIFY(QTest::qWaitForWindowExposed(pFile));
        pFile->setActiveAction(MenuAction(pFile, ID_FILE_NEW));
        QCOMPARE(pFrame->GetMessageText(), QStringLiteral("Create a new document"));
        pFile->close();
        shell.Settle();
        QCOMPARE(pFrame->GetMessageText(), text);
    }

    void onlyTheSoundToolbarCanBeSwitched()
    {
        CShell shell;
        QVERIFY(shell.Start());
        QToolBar* pSoundBar = shell.Frame()->GetSoundBar();
        shell.app->ShowToolbar(IDR_SOUNDTYPE, true);
        shell.Settle();
        QVERIFY(!pSoundBar->isHidden());

        shell.app->ShowToolbar(130, false);
        shell.Settle();
        QVERIFY(!pSoundBar->isHidden());
        QVERIFY(!shell.Frame()->GetToolBar()->isHidden());
        QVERIFY(!shell.app->IsToolbarVisible(130));

        // The change waits for the event loop, but the answer does not.
        shell.app->ShowToolbar(IDR_SOUNDTYPE, false);
        QVERIFY(!shell.app->IsToolbarVisible(IDR_SOUNDTYPE));
        QVERIFY(!pSoundBar->isHidden());
        shell.Settle();
        QVERIFY(pSoundBar->isHidden());

        QVERIFY(shell.Frame()->ExecuteCommand(ID_VIEW_TOOLBAR));
        QVERIFY(shell.Frame()->GetToolBar()->isHidden());
        QVERIFY(!shell.Frame()->QueryCommandState(ID_VIEW_TOOLBAR).m_bChecked);
    }

    void firstStartPutsBothToolbarsOnTheTopRow()
    {
        CShell shell;
        QVERIFY(shell.Start());
        ActivateMainWindow(shell);
        shell.ActiveFrame()->SetActivePane(0);
        shell.Settle();
        QToolBar* pMain = shell.Frame()->GetToolBar();
        QToolBar* pSound = shell.Frame()->GetSoundBar();
        QCOMPARE(shell.Frame()->toolBarArea(pMain), Qt::TopToolBarArea);
        QCOMPARE(shell.Frame()->toolBarArea(pSound), Qt::TopToolBarArea);
        QVERIFY(!pSound->isHidden());
        QCOMPARE(pSound->y(), pMain->y());
        QVERIFY(pSound->x() > pMain->x());
    }

    void barArrangementSurvivesARestart()
    {
        {
            CShell shell;
            QVERIFY(shell.Start());
            shell.Frame()->addToolBar(Qt::LeftToolBarArea, shell.Frame()->GetToolBar());
            shell.Frame()->addToolBar(Qt::BottomToolBarArea, shell.Frame()->GetSoundBar());
            QVERIFY(shell.Frame()->ExecuteCommand(ID_VIEW_STATUS_BAR));
        }
        CShell shell;
        QVERIFY(shell.Start());
        QCOMPARE(shell.Frame()->toolBarArea(shell.Frame()->GetToolBar()), Qt::LeftToolBarArea);
        QCOMPARE(shell.Frame()->toolBarArea(shell.Frame()->GetSoundBar()), Qt::BottomToolBarArea);
        QVERIFY(shell.Frame()->statusBar()->isHidden());
        QVERIFY(QSettings().contains(QStringLiteral("Toolbars/State")));
    }

    void soundWindowSplitter()
    {
        CShell shell;
        QVERIFY(shell.Start());
        QSplitter* pSplitter = shell.ActiveFrame()->GetSplitter();
        QCOMPARE(pSplitter->count(), 2);
        QCOMPARE(pSplitter->sizes().front(), CSoundFrame::kSequenceIdealWidth);
        QVERIFY(pSplitter->sizes().back() > CSoundFrame::kPatternIdealWidth);

        pSplitter->setSizes({0, 10000});
        QCOMPARE(pSplitter->sizes().front(), CSoundFrame::kMinimumPaneWidth);
        pSplitter->setSizes({10000, 0});
        QCOMPARE(pSplitter->sizes().back(), CSoundFrame::kMinimumPaneWidth);
    }

    void keysReachTheirCommands()
    {
        CShell shell;
        QVERIFY(shell.Start());
        ActivateMainWindow(shell);
        CSoundFrame* pFrame = shell.ActiveFrame();
        pFrame->SetActivePane(0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        QCOMPARE(pFrame->GetActivePane(), pFrame->GetPane(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
        QCOMPARE(pFrame->GetActivePane(), pFrame->GetPane(0));

        // The transport keys reach the focused editor.
        CSoundDoc* pDoc = shell.ActiveDoc();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        QVERIFY(pDoc->m_bSongPlaying && !pDoc->m_bSongPaused);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ShiftModifier);
        QVERIFY(pDoc->m_bSongPlaying && pDoc->m_bSongPaused);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
        QVERIFY(!pDoc->m_bSongPlaying && !pDoc->m_bSongPaused);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        auto* pHelp = shell.Frame()->findChild<CHelpWindow*>();
        QVERIFY(pHelp != nullptr);
        QVERIFY(pHelp->isVisible());
        QVERIFY(pHelp->GetBrowser()->toPlainText().contains(QStringLiteral("Keyboard")));
    }

    void aboutBox()
    {
        CShell shell;
        QVERIFY(shell.Start());
        QString title;
        QString version;
        QTimer::singleShot(
            0,
            [&]
            {
                auto* pDialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
                if (pDialog == nullptr)
                    return;
                title = pDialog->windowTitle();
                version = pDialog->findChild<QLabel*>(QStringLiteral("VersionLine"))->text();
                pDialog->accept();
            });
        QVERIFY(shell.Frame()->ExecuteCommand(ID_APP_ABOUT));
        QCOMPARE(title, QStringLiteral("About Tarvok"));
        QCOMPARE(version, QStringLiteral("Tarvok BETA version"));
    }

    void documentTypeIsRegistered()
    {
        CShell shell;
        QVERIFY(shell.Start());
        QFile file(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/mime/packages/tarvok-sound.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray definition = file.readAll();
        QVERIFY(definition.contains("type=\"application/x-tarvok-sound\""));
        QVERIFY(definition.contains("<glob pattern=\"*.tks\"/>"));
    }

    void fileFilters()
    {
        QCOMPARE(TranslateFileFilter("Tarvok Sound Files (*.tks)|*.tks|All Files (*.*)|*.*||"),
                 (QStringList{"Tarvok Sound Files (*.tks)", "All Files (*)"}));
        QCOMPARE(TranslateFileFilter("AGI Sound Resources (*.*)|*.*||"),
                 QStringList{"AGI Sound Resources (*)"});
        QCOMPARE(TranslateFileFilter("Pictures|*.a;*.b||"), QStringList{"Pictures (*.a *.b)"});
        QVERIFY(TranslateFileFilter("").isEmpty());
    }

    void messagesFromAnotherThreadDoNotWait()
    {
        CQtMessageSink sink;
        auto answer =
            std::async(std::launch::async, [&sink]
                       { return sink.ShowMessage("device gone", MB_OK | MB_ICONSTOP, {}); });
        QCOMPARE(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        QCOMPARE(answer.get(), int(IDOK));

        // The box itself comes up on this thread.
        QString shown;
        QTimer::singleShot(
            0,
            [&shown]
            {
                if (QWidget* pBox = QApplication::activeModalWidget())
                {
                    shown = pBox->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
                    pBox->close();
                }
            });
        QTRY_COMPARE(shown, QStringLiteral("device gone"));
    }
};

TARVOK_SHELL_TEST_MAIN(ShellFrameTest)
#include "shell_frame_test.moc"
