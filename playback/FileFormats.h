// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/FileFormat.h"

#include <span>
#include <string>
#include <string_view>

// The file formats, each described once by its row (sound/FileFormat.h): the converter's
// --from and --to, the file choosers' filters, Open and drag and drop, and the desktop's
// list of the types the editor opens all read this list.

// In the order file choosers list them: the document first.
std::span<const FileFormat* const> FileFormats();

// The row of .wav files, which the render layer writes.
const FileFormat& WavFileFormat();

// The format of that key ("tks", "mid", ...); null for none.
const FileFormat* FindFileFormat(std::string_view key);
// The format that reads, or writes, files of that name, known by the extension; null when
// no format claims it.
const FileFormat* FormatReadingName(const std::string& path);
const FileFormat* FormatWritingName(const std::string& path);

// What Open, the recent files and a drop take the file for: a format known by its extension,
// else one whose content it has, else the document.
const FileFormat& RecogniseFile(const std::string& path);

// The Open chooser's filter: every file that opens first, then each format that is read.
std::string OpenFileFilter();
// The types the editor opens, as a desktop entry lists them: "a/b;c/d;".
std::string DesktopMimeTypes();

// Writes the export to path, atomically: nothing is left behind when it fails. A name ending
// in the format's compressed extension gets the compressed form.
Status ExportFile(const FileFormat& format, const CSoundDoc& doc, ExportRequest request,
                  const std::string& path);
// The same for a raw AGI resource, for a format that plays its records (exportResource).
Status ExportResourceFile(const FileFormat& format, const std::vector<std::uint8_t>& resource,
                          ExportRequest request, const std::string& path);
