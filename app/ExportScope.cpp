// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportScope.h"

#include "sound/SoundDoc.h"

#include <QMessageBox>
#include <QPushButton>

ExportScope AskExportScope(const CSoundDoc& doc, QWidget* pParent)
{
    const PlayRange range = doc.GetPlayRange();
    const std::int32_t nWholeEnd = doc.GetWholeSongEnd();
    if (range.start == 0 && range.end == nWholeEnd)
        return ExportScope::PlayRange;

    QMessageBox box(QMessageBox::Question, QStringLiteral("Export"),
                    QStringLiteral("Export the play range (rows %1–%2) or the whole song "
                                   "(rows 0–%3)?")
                        .arg(range.start)
                        .arg(range.end)
                        .arg(nWholeEnd),
                    QMessageBox::NoButton, pParent);
    box.setObjectName(QStringLiteral("ExportScopeQuestion"));
    QPushButton* pRange = box.addButton(QStringLiteral("Play Range"), QMessageBox::AcceptRole);
    QPushButton* pWhole = box.addButton(QStringLiteral("Whole Song"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(pRange);
    box.exec();
    if (box.clickedButton() == pRange)
        return ExportScope::PlayRange;
    if (box.clickedButton() == pWhole)
        return ExportScope::WholeSong;
    return ExportScope::Cancelled;
}

bool ExportInScope(const CSoundDoc& doc, QWidget* pParent,
                   const std::function<bool(const PlayRange&)>& exportRange)
{
    switch (AskExportScope(doc, pParent))
    {
    case ExportScope::PlayRange:
        return exportRange(doc.GetPlayRange());
    case ExportScope::WholeSong:
        return exportRange(doc.GetWholeSong());
    default:
        return false;
    }
}
