// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/WorkAside.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <thread>

namespace
{
QProgressDialog* ShownProgress()
{
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (auto* pProgress = qobject_cast<QProgressDialog*>(pWidget);
            pProgress && pProgress->isVisible())
            return pProgress;
    return nullptr;
}
} // namespace

class WorkAsideTest : public QObject
{
    Q_OBJECT

private slots:
    void shortWorkEndsWithoutADialog()
    {
        bool bProgressSeen = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] { bProgressSeen |= ShownProgress() != nullptr; });
        watch.start(5);
        int nRuns = 0;
        QVERIFY(
            RunAside(nullptr, QStringLiteral("Quick"), [&](const std::atomic<bool>&) { ++nRuns; }));
        QCOMPARE(nRuns, 1);
        QVERIFY(!bProgressSeen);
    }

    // The window's thread answers a click while the work goes on: Cancel reaches the work,
    // which ends early.
    void cancelReachesLongWork()
    {
        bool bClicked = false;
        QTimer clicker;
        connect(&clicker, &QTimer::timeout,
                [&]
                {
                    QProgressDialog* pProgress = ShownProgress();
                    if (pProgress == nullptr || bClicked)
                        return;
                    QCOMPARE(pProgress->labelText(), QStringLiteral("Scanning the disk"));
                    auto* pCancel = pProgress->findChild<QPushButton*>();
                    QVERIFY(pCancel != nullptr);
                    QTest::mouseClick(pCancel, Qt::LeftButton);
                    QVERIFY(!pCancel->isEnabled());
                    QCOMPARE(pProgress->labelText(), QStringLiteral("Cancelling…"));
                    bClicked = true;
                });
        clicker.start(20);
        bool bSawCancel = false;
        const bool bDone =
            RunAside(nullptr, QStringLiteral("Scanning the disk"),
                     [&](const std::atomic<bool>& bCancel)
                     {
                         // Would take a minute; the cancel flag ends it.
                         for (int i = 0; i < 6000 && !bCancel; ++i)
                             std::this_thread::sleep_for(std::chrono::milliseconds(10));
                         bSawCancel = bCancel;
                     });
        QVERIFY(bClicked);
        QVERIFY(!bDone);
        QVERIFY(bSawCancel);
        QTRY_VERIFY(ShownProgress() == nullptr);
    }

    void longWorkThatEndsByItselfIsNotCancelled()
    {
        bool bProgressSeen = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] { bProgressSeen |= ShownProgress() != nullptr; });
        watch.start(5);
        std::atomic<bool> bRelease{false};
        // Ends the work once its dialog has been seen.
        QTimer release;
        connect(&release, &QTimer::timeout, [&] { bRelease = bProgressSeen; });
        release.start(5);
        QVERIFY(RunAside(nullptr, QStringLiteral("Waiting"),
                         [&](const std::atomic<bool>&)
                         {
                             while (!bRelease)
                                 std::this_thread::sleep_for(std::chrono::milliseconds(5));
                         }));
        QVERIFY(bProgressSeen);
        QTRY_VERIFY(ShownProgress() == nullptr);
    }
};

QTEST_MAIN(WorkAsideTest)
#include "work_aside_test.moc"
