// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportScope.h"

#include "game/WholeSongRange.h"
#include "session/Prompts.h"
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

std::unique_ptr<CSoundDoc> MakeWholeSongCopy(CSoundDoc& doc)
{
    auto pCopy = std::make_unique<CSoundDoc>();
    if (const Status loaded = pCopy->LoadFromBytes(doc.SaveToBytes()); !loaded.Ok())
    {
        ShowFailure(loaded.GetFailure());
        return nullptr;
    }
    // The export choosers offer the document's own name.
    pCopy->SetTitle(doc.GetTitle());
    if (!doc.GetPathName().empty())
        pCopy->SetPathName(doc.GetPathName());
    pCopy->SetPlayRange({0, pCopy->GetWholeSongEnd()});
    return pCopy;
}

bool ExportInScope(CSoundDoc& doc, QWidget* pParent,
                   const std::function<bool(CSoundDoc&)>& exportDoc)
{
    switch (AskExportScope(doc, pParent))
    {
    case ExportScope::PlayRange:
        return exportDoc(doc);
    case ExportScope::WholeSong:
    {
        const std::unique_ptr<CSoundDoc> pCopy = MakeWholeSongCopy(doc);
        return pCopy != nullptr && exportDoc(*pCopy);
    }
    default:
        return false;
    }
}
