// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/GameExportAll.h"

#include "session/Prompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QProgressDialog>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace
{
int ChooseFormat(const std::vector<GameExportFormat>& formats, QWidget* pParent)
{
    QInputDialog dialog(pParent);
    dialog.setObjectName(QStringLiteral("ExportAllFormat"));
    dialog.setWindowTitle(QStringLiteral("Export All Sounds"));
    dialog.setLabelText(QStringLiteral("Write every sound of the game as:"));
    QStringList labels;
    for (const GameExportFormat& format : formats)
        labels << format.label;
    dialog.setComboBoxItems(labels);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return static_cast<int>(labels.indexOf(dialog.textValue()));
}

std::string Skipped(const CGameSoundExport& exporter)
{
    std::string text;
    for (const auto* pList : {&exporter.GetDamaged(), &exporter.GetFailed()})
        for (const std::string& line : *pList)
            text += "\n" + line;
    return text;
}
} // namespace

bool ExportAllGameSounds(const CGameFolder& game, const std::vector<GameExportFormat>& formats,
                         QWidget* pParent)
{
    const int chosen = ChooseFormat(formats, pParent);
    if (chosen < 0)
        return false;
    const GameExportFormat& format = formats[static_cast<std::size_t>(chosen)];
    FileDialogRequest request;
    request.bOpen = true;
    request.bFolder = true;
    request.strTitle = "Export All Sounds into Folder";
    std::string outDir;
    if (!GetFileNameSource().AskFileName(request, outDir))
        return false;
    CGameSoundExport exporter;
    if (const std::string error = exporter.Read(game); !error.empty())
    {
        AfxMessageBox(error, MessageKind::Warning);
        return false;
    }

    QProgressDialog progress(QStringLiteral("Exporting the game's sounds…"),
                             QStringLiteral("Cancel"), 0, exporter.Count(), pParent);
    progress.setObjectName(QStringLiteral("ExportAllProgress"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    std::atomic<int> done{0};
    std::atomic<bool> cancel{false}, finished{false};
    std::string error;
    std::thread worker(
        [&]
        {
            error = exporter.Write(
                outDir, format.extension, format.writer,
                static_cast<int>(std::max(1u, std::thread::hardware_concurrency())),
                [&done](int n, int) { done = n; }, &cancel);
            finished = true;
        });
    while (!finished)
    {
        progress.setValue(done);
        progress.setLabelText(
            QStringLiteral("Sound %1 of %2").arg(done.load()).arg(exporter.Count()));
        cancel = progress.wasCanceled();
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    progress.reset();
    if (!error.empty())
        AfxMessageBox(error, MessageKind::Warning);
    else if (const std::string skipped = Skipped(exporter); !skipped.empty())
        AfxMessageBox("These sounds were not written:" + skipped, MessageKind::Warning);
    return error.empty() && exporter.GetWritten() > 0;
}
