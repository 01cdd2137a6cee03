// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "app/HelpWindow.h"
#include "app/QtUserInterface.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
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

// The action of a menu or toolbar that sends the command.
QAction* MenuAction(const QWidget* pMenu, UINT nID)
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
        QVERIFY(MenuTitles(pFrame) == (QStringList{"&File", "&View", "&Help"}) &&
                pFrame->windowTitle() == "Tarvok");
        for (const UINT nID :
             {ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_PRINT, ID_EDIT_UNDO,
              ID_SOUND_PLAY, ID_WINDOW_NEW, ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_IMPORT})
            QVERIFY2(pFrame->QueryCommandState(nID).m_bEnabled ==
                         (nID == ID_FILE_NEW || nID == ID_FILE_OPEN || nID == ID_FILE_IMPORT),
                     qPrintable(QString::number(nID)));
        QVERIFY(!pFrame->ExecuteCommand(ID_FILE_SAVE));

        // What the person sees: the File menu's Close item and the toolbar's buttons.
        QMenu* pFile = pFrame->FindPopup(QStringLiteral("&File"));
        QVERIFY(pFile != nullptr);
        pFile->popup(QPoint(0, 0));
        QVERIFY(!MenuAction(pFile, ID_FILE_CLOSE)->isEnabled() &&
                MenuAction(pFile, ID_FILE_NEW)->isEnabled());
        pFile->close();
        pFrame->UpdateCommandUI();
        for (const UINT nID : {ID_FILE_SAVE, ID_FILE_PRINT, ID_FILE_NEW})
            QCOMPARE(MenuAction(pFrame->GetToolBar(), nID)->isEnabled(), nID == ID_FILE_NEW);

        QVERIFY(pFrame->ExecuteCommand(ID_FILE_NEW) && MenuTitles(pFrame).size() == 6);
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
        const std::tuple<Qt::Key, Qt::KeyboardModifiers, bool, bool> transport[] = {
            {Qt::Key_F3, {}, true, false},
            {Qt::Key_F3, Qt::ShiftModifier, true, true},
            {Qt::Key_F4, {}, false, false}};
        for (const auto& [key, mods, bPlaying, bPaused] : transport)
        {
            QTest::keyClick(QApplication::focusWidget(), key, mods);
            QCOMPARE(std::pair(shell.app->GetSession(pDoc)->IsPlaying(),
                               shell.app->GetSession(pDoc)->IsPaused()),
                     std::pair(bPlaying, bPaused));
        }

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        auto* pHelp = shell.Frame()->findChild<CHelpWindow*>();
        QVERIFY(pHelp != nullptr && pHelp->isVisible() &&
                pHelp->GetBrowser()->toPlainText().contains("Keyboard"));
    }

    void messagesFromAnotherThreadDoNotWait()
    {
        CQtMessageSink sink;
        auto answer =
            std::async(std::launch::async, [&sink]
                       { return sink.ShowMessage("device gone", MB_OK | MB_ICONSTOP, {}); });
        QVERIFY(answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready &&
                answer.get() == IDOK);

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
