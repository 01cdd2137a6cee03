// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/WorkAside.h"

#include "framework/Progress.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <thread>

namespace
{
constexpr int kProgressSteps = 1000;
// The bar follows the work this often; the work itself never waits for the window.
constexpr int kProgressRefreshMs = 50;

// pSteps, when given, is the work's progress in kProgressSteps, which the dialog shows.
bool RunOnThread(QWidget* pParent, const QString& strLabel,
                 const std::function<void(const std::atomic<bool>& bCancel)>& work,
                 const std::atomic<int>* pSteps)
{
    std::atomic<bool> bCancel{false};
    std::atomic<bool> bDone{false};
    QEventLoop loop;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    std::thread worker(
        [&]
        {
            work(bCancel);
            bDone = true;
            // Queued, so an end before exec() starts still ends the loop.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    // At first without input: nothing the person does can start another command meanwhile.
    QTimer::singleShot(kWorkAsideDialogAfterMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!bDone)
    {
        // From here on the modal dialog keeps the other windows from acting, and takes Cancel.
        QProgressDialog progress(strLabel, QStringLiteral("Cancel"), 0,
                                 pSteps != nullptr ? kProgressSteps : 0, pParent);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        QObject::connect(&progress, &QProgressDialog::canceled,
                         [&]
                         {
                             bCancel = true;
                             progress.setLabelText(QStringLiteral("Cancelling…"));
                             // Disabled, not removed: this runs inside the button's own click.
                             if (auto* pButton = progress.findChild<QPushButton*>())
                                 pButton->setEnabled(false);
                         });
        QTimer refresh;
        if (pSteps != nullptr)
        {
            QObject::connect(&refresh, &QTimer::timeout,
                             [&] { progress.setValue(pSteps->load(std::memory_order_relaxed)); });
            refresh.start(kProgressRefreshMs);
            progress.setValue(pSteps->load(std::memory_order_relaxed));
        }
        progress.show();
        if (!bDone)
            loop.exec();
    }
    worker.join();
    QGuiApplication::restoreOverrideCursor();
    return !bCancel;
}
} // namespace

bool RunAside(QWidget* pParent, const QString& strLabel,
              const std::function<void(const std::atomic<bool>& bCancel)>& work)
{
    return RunOnThread(pParent, strLabel, work, nullptr);
}

bool RunAsideWithProgress(QWidget* pParent, const QString& strLabel,
                          const std::function<void(const CProgress& progress)>& work)
{
    std::atomic<int> steps{0};
    const CProgress::Report report = [&steps](double fraction)
    {
        steps.store(static_cast<int>(std::lround(fraction * kProgressSteps)),
                    std::memory_order_relaxed);
    };
    return RunOnThread(
        pParent, strLabel,
        [&](const std::atomic<bool>& bCancel) { work(CProgress(report, &bCancel)); }, &steps);
}
