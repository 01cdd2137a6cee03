// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"
#include "SoundViewFakes.h"

#include "app/HelpWindow.h"
#include "views/SoundSequenceView.h"

#include <QScreen>
#include <QTextBrowser>

namespace
{
// What the window system shows of a widget now, without painting it again.
QImage OnScreen(QWidget* pWidget)
{
    QWidget* pWindow = pWidget->window();
    const QRect rect(pWidget->mapTo(pWindow, QPoint(0, 0)), pWidget->size());
    return pWindow->screen()
        ->grabWindow(pWindow->winId(), rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}
} // namespace

class WindowBehaviourTest : public QObject
{
    Q_OBJECT

private slots:
    void helpWindowClosesWithItsKeys()
    {
        CShell shell;
        QVERIFY(shell.Start());
        for (const QKeyCombination keys :
             {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)})
        {
            QVERIFY(shell.Frame()->ExecuteCommand(ID_HELP_FINDER));
            auto* pHelp = shell.Frame()->findChild<CHelpWindow*>();
            QVERIFY(QTest::qWaitForWindowActive(pHelp));
            QTest::keyClick(pHelp->GetBrowser(), keys.key(), keys.keyboardModifiers());
            QVERIFY(!pHelp->isVisible());
        }
    }

    void patternMadeWithEnterIsOnScreenAtOnce()
    {
        CScriptedDialogs dialogs;
        CSoundBase::SetDialogs(&dialogs);
        dialogs.patternAnswers = {{16, "new"}};
        CShell shell;
        QVERIFY(shell.Start());
        QVERIFY(QTest::qWaitForWindowExposed(shell.Frame()));
        shell.Frame()->resize(1000, 800);
        shell.ActiveFrame()->showMaximized();
        auto* pView = shell.ActiveFrame()->findChild<CSoundSequenceView*>();
        shell.ActiveDoc()->m_sequenceCursor = {1, 0};
        pView->setFocus();
        CShell::Settle();
        QTest::keyClick(pView, Qt::Key_Return);
        QVERIFY(shell.ActiveDoc()->GetPatternAt({1, 0}) != nullptr);
        QCoreApplication::processEvents();
        QCOMPARE(OnScreen(pView->viewport()),
                 pView->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32));
        CSoundBase::SetDialogs(nullptr);
    }
};

TARVOK_SHELL_TEST_MAIN(WindowBehaviourTest)
#include "window_behaviour_test.moc"
