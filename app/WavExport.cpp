// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WavExport.h"

#include "app/ExportVoices.h"
#include "app/QtUserInterface.h"
#include "framework/AtomicFile.h"
#include "playback/FileFormats.h"
#include "playback/WavWriter.h"
#include "session/Prompts.h"
#include "sound/SoundDoc.h"

#include <QFileInfo>
#include <QProgressDialog>

#include <cctype>
#include <cmath>

namespace
{
constexpr int kProgressSteps = 1000;

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - suffix.size() + i])) !=
            std::tolower(static_cast<unsigned char>(suffix[i])))
            return false;
    return true;
}

// A few hundred bytes of a game's sound can fill a disk: a render past an hour is asked for.
bool AcceptsLength(const CSoundDoc& doc, const PlayRange& range, SynthKind kind)
{
    const Result<WavLength> length = MeasureWavFile(doc, range, kind);
    // A render the export refuses says why there.
    if (!length.Ok() || !length.Value().IsLong())
        return true;
    return AfxMessageBox("The WAV file would last " + DescribeWavLength(length.Value()) +
                             ". Write it anyway?",
                         MessageKind::Question, Buttons::YesNo,
                         DefaultButton::Second) == Answer::Yes;
}
} // namespace

std::string ExportFileNameFor(const CSoundDoc& doc, const char* extension)
{
    std::string name = doc.GetPathName().empty() ? doc.GetTitle() : doc.GetPathName();
    if (EndsWithNoCase(name, kDocumentExtension))
        name.resize(name.size() - std::char_traits<char>::length(kDocumentExtension));
    return name + extension;
}

std::string WavFileNameFor(const CSoundDoc& doc)
{
    return ExportFileNameFor(doc, WavFileFormat().saveExtensions.front().c_str());
}

std::optional<std::string> ExportWav(const CSoundDoc& doc, const PlayRange& range,
                                     PlayVoice voice, unsigned muteMask, QWidget* pParent,
                                     int nProgressDelayMs)
{
    FileDialogRequest request;
    request.strTitle = "Export WAV";
    const std::optional<unsigned> leftOut = AskVoicesLeftOut(muteMask, request.strTitle, pParent);
    if (!leftOut.has_value() || !AcceptsLength(doc, range, voice.chip))
        return std::nullopt;
    request.bOpen = false;
    request.strDefaultExt = WavFileFormat().saveExtensions.front().substr(1);
    request.strFilter = WavFileFormat().saveFilter;
    request.strFileName = WavFileNameFor(doc);
    request.bOverwritePrompt = true;
    request.bPathMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return std::nullopt;

    // Application-modal: while it is up nothing may change or close the document.
    const QString fileName = QFileInfo(PathToQString(path)).fileName();
    QProgressDialog progress(QStringLiteral("Writing %1…").arg(fileName), QStringLiteral("Cancel"),
                             0, kProgressSteps, pParent);
    progress.setObjectName(QStringLiteral("WavProgress"));
    progress.setWindowTitle(QString::fromStdString(request.strTitle));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(nProgressDelayMs);
    progress.setValue(0);
    WavOptions options;
    options.kind = voice.chip;
    options.fade = voice.fade;
    options.muteMask = *leftOut;
    options.progress = [&progress](double fraction)
    {
        progress.setValue(static_cast<int>(std::lround(fraction * kProgressSteps)));
        return !progress.wasCanceled();
    };
    const Status written =
        WriteAtomically(path, [&](CFile& out) { return ExportWav(doc, range, options, out); });
    const bool bCancelled = progress.wasCanceled();
    progress.reset();
    if (bCancelled)
        return std::nullopt;
    if (!written.Ok())
        ShowFailure(written.GetFailure());
    return written.Ok() ? std::optional(path) : std::nullopt;
}
