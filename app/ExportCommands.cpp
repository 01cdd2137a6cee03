// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportCommands.h"

#include "dialogs/SoundMIDIExportDialog.h"
#include "framework/AtomicFile.h"
#include "playback/FileFormats.h"
#include "session/Prompts.h"
#include "sound/AgiFile.h"
#include "sound/MidiExport.h"
#include "sound/SoundDoc.h"

#include <QApplication>

#include <optional>

namespace
{
std::optional<std::string> AskExportPath(std::string title, std::string fileName,
                                         std::string defaultExt, std::string filter)
{
    FileDialogRequest request;
    request.bOpen = false;
    request.strTitle = std::move(title);
    request.strDefaultExt = std::move(defaultExt);
    request.strFileName = std::move(fileName);
    request.strFilter = std::move(filter);
    request.bOverwritePrompt = true;
    request.bPathMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return std::nullopt;
    return path;
}

bool NotesPlayInstruments(const CSoundDoc& doc)
{
    for (int channel = 0; channel < kChannelCount; ++channel)
        for (const CSoundPattern* pPattern : doc.GetPatterns(channel))
            for (std::int32_t row = 0; row < pPattern->GetRows(); ++row)
                if (pPattern->GetCell(row).instrument != kNoInstrument)
                    return true;
    return false;
}
} // namespace

std::optional<MidiPrograms> ChooseMidiPrograms(QWidget* pParent, bool bNotesPlayInstruments)
{
    // A modal dialog open at the time (the scope question) owns this one.
    if (QWidget* pModal = QApplication::activeModalWidget(); pModal != nullptr)
        pParent = pModal;
    CSoundMIDIExportDialog dialog(pParent, bNotesPlayInstruments);
    MidiPrograms programs{0, 0, 0};
    for (std::size_t voice = 0; voice < programs.size(); ++voice)
        dialog.m_nInstrument[voice] = programs[voice];
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    for (std::size_t voice = 0; voice < programs.size(); ++voice)
        programs[voice] = dialog.m_nInstrument[voice];
    return programs;
}

std::optional<std::string> ExportAgiCommand(const CSoundDoc& doc, const PlayRange& range)
{
    const auto path = AskExportPath("Export AGI Sound", doc.GetExportFileStem(), {},
                                    AgiFileFormat().saveFilter);
    if (!path)
        return std::nullopt;
    const Status written =
        WriteAtomically(*path, [&](CFile& out) { return ExportAgi(doc, range, out); });
    // A refused resource is told plainly, a file that cannot be written with a warning.
    if (!written.Ok())
        ShowFailure(written.GetFailure(), MessageKind::Plain);
    return written.Ok() ? path : std::nullopt;
}

std::optional<std::string> ExportMidiCommand(const CSoundDoc& doc, const PlayRange& range,
                                             QWidget* pParent)
{
    const auto programs = ChooseMidiPrograms(pParent, NotesPlayInstruments(doc));
    if (!programs)
        return std::nullopt;
    const std::string& extension = MidiFileFormat().saveExtensions.front();
    const auto path = AskExportPath("Export MIDI", doc.GetExportFileStem() + extension, extension,
                                    MidiFileFormat().saveFilter);
    if (!path)
        return std::nullopt;
    const Status written =
        WriteAtomically(*path, [&](CFile& out) { return ExportMidi(doc, range, *programs, out); });
    if (!written.Ok())
        ShowFailure(written.GetFailure());
    return written.Ok() ? path : std::nullopt;
}
