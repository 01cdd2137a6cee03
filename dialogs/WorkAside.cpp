// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/WorkAside.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <thread>

bool RunAside(QWidget* pParent, const QString& strLabel,
              const std::function<void(const std::atomic<bool>& bCancel)>& work)
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
        QProgressDialog progress(strLabel, QStringLiteral("Cancel"), 0, 0, pParent);
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
        progress.show();
        if (!bDone)
            loop.exec();
    }
    worker.join();
    QGuiApplication::restoreOverrideCursor();
    return !bCancel;
}
