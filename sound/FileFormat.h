// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "sound/InterpreterFade.h"
#include "sound/MidiExport.h"
#include "sound/MidiImport.h"
#include "sound/SoundDoc.h"
#include "sound/SynthKind.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class CFile;

// What an import is asked for; a format reads what its options name.
struct ImportRequest
{
    MidiImportOptions midi; // Channels
};

// What an export is asked for; a format reads what its options name.
struct ExportRequest
{
    // The rows written: the play range or the whole song (Range).
    PlayRange range;
    MidiPrograms programs{0, 0, 0}; // Instruments: the General MIDI program of each tone voice
    // Chip: what plays it; a VGM file holds the PCjr's writes for all but the Tandy 1000.
    SynthKind chip = SynthKind::Sine;
    FadeKind fade = FadeKind::None; // Fade
    unsigned muteMask = 0;          // Voices: bit v leaves voice v out (a stem of the others)
    bool bLoop = false;             // Loop
    // The compressed form of the format (FileFormat::compressedExtension).
    bool bCompressed = false;
    // The tag's track title and game ("" for none), for a format that names its sound.
    std::string title{};
    std::string game{};
    // Told the fraction done as a long export goes; returning false cancels it (a silent
    // failure).
    std::function<bool(double fraction)> progress{};
};

// The lines an import reports: what the song lost on the way in, none when it came in whole.
using ImportNotes = std::vector<std::string>;

// One file format: its names, how files of it are known, and its import and export. The
// formats are listed once, in FileFormats() (playback/FileFormats.h); a new format is a file
// that defines its row, and the row's line in that list.
struct FileFormat
{
    // What an import or export of the format can be asked for.
    enum Option : unsigned
    {
        Range = 1u << 0,       // it exports a range of rows, not the whole document
        Instruments = 1u << 1, // the MIDI programs
        Chip = 1u << 2,        // what plays it
        Fade = 1u << 3,        // the interpreter's note fade
        Voices = 1u << 4,      // voices left out
        Loop = 1u << 5,        // a file that loops
        Long = 1u << 6,        // a render can last hours: worth asking before it is written
        Channels = 1u << 7,    // the import's choice of channels
    };
    // How Open and drag and drop know a file of the format: by its extension, by its first
    // bytes, or as what every file is that no other format claims.
    enum class Recognition
    {
        ByExtension,
        ByContent,
        Otherwise,
    };
    using Importer = Result<ImportNotes> (*)(CSoundDoc& doc, const std::string& path,
                                             const ImportRequest& request);
    using Exporter = Status (*)(const CSoundDoc& doc, const ExportRequest& request, CFile& out);
    // Writes a raw AGI resource as the engine plays its records, without a document.
    using ResourceExporter = Status (*)(const std::vector<std::uint8_t>& resource,
                                        const ExportRequest& request, CFile& out);
    using ContentTest = bool (*)(std::span<const std::uint8_t> head, std::uint64_t fileSize);

    // The converter's --from and --to name, and the extension of the files an export of a
    // whole game names.
    const char* key;
    // As file choosers list the format: "MIDI Files".
    const char* name;
    // The extensions (lower case, with the dot) of the files it reads and of those it
    // writes, the one offered first.
    std::vector<std::string> openExtensions;
    std::vector<std::string> saveExtensions;
    // The save chooser's filter ("Name (*.ext)|*.ext||"), as the export shows it.
    const char* saveFilter;
    // A name ending so is written in the compressed form ("" for none).
    const char* compressedExtension;
    // The type the desktop knows its files by ("" for none).
    const char* mimeType;
    unsigned options;
    Recognition recognition;
    ContentTest looksLike;           // ByContent
    Importer import;                 // null when it is not read
    Exporter exportDocument;         // null when it is not written
    ResourceExporter exportResource; // null when a resource goes through a document first

    bool Imports() const { return import != nullptr; }
    bool Exports() const { return exportDocument != nullptr; }
    bool Has(Option option) const { return (options & option) != 0; }
    // Whether the path ends in one of the extensions, in any case.
    bool OpensName(const std::string& path) const;
    bool SavesName(const std::string& path) const;
    bool CompressesName(const std::string& path) const;
    // The open chooser's filter for the format alone: its files, then every file.
    std::string OpenFilter() const;
    // Its entry in a filter: "MIDI Files (*.mid;*.midi)|*.mid;*.midi|".
    std::string OpenFilterEntry() const;
};

// The rows of the formats the sound layer reads and writes.
const FileFormat& DocumentFileFormat(); // .tks
const FileFormat& AgiFileFormat();
const FileFormat& MidiFileFormat();
const FileFormat& VgmFileFormat();
