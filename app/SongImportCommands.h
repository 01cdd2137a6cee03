// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"
#include "sound/ImportedSong.h"

#include <optional>
#include <string>

class CEditorApp;
class CSoundDoc;
class QUndoStack;
struct FileFormat;

// Files of the formats other than the document brought into sounds: File > Import > AGI
// Resource…, MIDI… (with the channel dialog) and VGM… into new sounds, the same "into This
// Sound" replacing the active document's song as one undoable step, and any way of opening
// such a file (with the default channel uses). A new sound is called by its file's name, and
// a file that is refused or cancelled opens no window. A MIDI or VGM song is read and built
// aside from the window's thread, behind a progress dialog whose Cancel leaves everything as
// it was; no view sees the new sound before it is complete.
class CSongImportCommands
{
public:
    explicit CSongImportCommands(CEditorApp& app) : m_app(app) {}

    // Import command nID (ID_FILE_IMPORT, ID_IMPORT_MIDI, ID_IMPORT_VGM and the two "into
    // This Sound", which replace pInto's song): asks for the file, then imports it.
    void AskAndImport(UINT nID, CSoundDoc* pInto);

    // A new sound holding the file at path, of that format, as Open and a drop bring it in.
    CSoundDoc* ImportNewSound(const FileFormat& format, const std::string& path);
    // Replaces doc's song with the MIDI or VGM song at path, one step on its undo history;
    // false, with doc untouched, when the file is refused or the person cancels.
    bool ImportSongInto(CSoundDoc& doc, const FileFormat& format, const std::string& path);

private:
    // A new sound holding the MIDI or VGM song at path; bAskChannels lets the person place a
    // MIDI file's channels first.
    CSoundDoc* ImportSong(const FileFormat& format, const std::string& path, bool bAskChannels);
    // A new sound holding what the format's own import reads from path.
    CSoundDoc* ImportThroughRow(const FileFormat& format, const std::string& path);

    // A file's song with what the import lost, said in a line.
    struct ReadSong
    {
        ImportedSong song;
        std::string report;
    };

    // Nothing when the file is refused (said here) or the person cancels. pBuild, when given,
    // is a document no one sees yet, which the song is built into aside as well.
    std::optional<ReadSong> ReadSongAside(const FileFormat& format, const std::string& path,
                                          bool bAskChannels, CSoundDoc* pBuild);
    std::optional<ReadSong> ReadMidiSong(const std::string& path, bool bAskChannels,
                                         CSoundDoc* pBuild);
    std::optional<ReadSong> ReadVgmFile(const std::string& path, CSoundDoc* pBuild);
    // What the import lost, on the status bar; the person reads it without being stopped.
    void ShowReport(const std::string& path, const std::string& report);
    // Takes the report shown off the status bar when the import on stack is undone.
    void WithdrawReportOnUndo(QUndoStack& stack);

    CEditorApp& m_app;
};
