// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VgmExport.h"

#include "app/ExportVoices.h"
#include "app/QtUserInterface.h"
#include "app/WavExport.h"
#include "framework/AtomicFile.h"
#include "playback/FileFormats.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "sound/SoundDoc.h"
#include "sound/VgmWriter.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace
{
QString LoopSettingsKey()
{
    return QStringLiteral("Export/VgmLoop");
}

bool HasSuffixNoCase(const std::string& text, const char* suffix)
{
    return QString::fromStdString(text).endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

// Cancelled: nothing. Otherwise whether the file loops.
std::optional<bool> AskLoop(QWidget* pParent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Export VGM"),
                    QStringLiteral("Write the sound as a VGM file for chip-music players."),
                    QMessageBox::Ok | QMessageBox::Cancel, pParent);
    box.setObjectName(QStringLiteral("VgmOptions"));
    auto* pLoop = new QCheckBox(QStringLiteral("Loop the whole sound"), &box);
    pLoop->setChecked(QSettings().value(LoopSettingsKey(), false).toBool());
    box.setCheckBox(pLoop);
    box.setDefaultButton(QMessageBox::Ok);
    if (box.exec() != QMessageBox::Ok)
        return std::nullopt;
    QSettings().setValue(LoopSettingsKey(), pLoop->isChecked());
    return pLoop->isChecked();
}
} // namespace

std::string VgmTitleFor(const CSoundDoc& doc)
{
    std::string title = doc.GetTitle();
    if (HasSuffixNoCase(title, kDocumentExtension))
        title.resize(title.size() - std::char_traits<char>::length(kDocumentExtension));
    return title;
}

std::string VgmGameFor(const GameOrigin& origin)
{
    if (!origin.IsSet())
        return {};
    const QString dir = QDir::cleanPath(PathToQString(origin.folder));
    return QFileInfo(dir).fileName().toStdString();
}

std::optional<std::string> ExportVgm(const CSoundDoc& doc, const PlayRange& range,
                                     const GameOrigin& origin, PlayVoice voice, unsigned muteMask,
                                     QWidget* pParent)
{
    const std::optional<bool> bLoop = AskLoop(pParent);
    if (!bLoop.has_value())
        return std::nullopt;
    const std::optional<unsigned> leftOut = AskVoicesLeftOut(muteMask, "Export VGM", pParent);
    if (!leftOut.has_value())
        return std::nullopt;

    FileDialogRequest request;
    request.bOpen = false;
    request.strTitle = "Export VGM";
    const std::string& extension = VgmFileFormat().saveExtensions.front();
    request.strDefaultExt = extension.substr(1);
    request.strFilter = VgmFileFormat().saveFilter;
    request.strFileName = ExportFileNameFor(doc, extension.c_str());
    request.bOverwritePrompt = true;
    request.bPathMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return std::nullopt;

    VgmOptions options;
    options.chip = voice.chip;
    options.fade = voice.fade;
    options.bLoop = *bLoop;
    options.muteMask = *leftOut;
    options.title = VgmTitleFor(doc);
    options.game = VgmGameFor(origin);
    options.bGzip = HasSuffixNoCase(path, ".vgz");
    const Status written = WriteAtomically(path,
                                           [&](CFile& out) -> Status
                                           {
                                               const auto bytes =
                                                   BuildDocumentVgm(doc, range, options);
                                               if (!bytes.Ok())
                                                   return bytes.GetFailure();
                                               out.Write(bytes.Value().data(),
                                                         bytes.Value().size());
                                               return Success();
                                           });
    if (!written.Ok())
        ShowFailure(written.GetFailure());
    return written.Ok() ? std::optional(path) : std::nullopt;
}
