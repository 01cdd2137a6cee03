// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "tools/ConvertOptions.h"

#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;

// The converter's outputs, through the format's row: a failure writes no output file and
// carries its message; the caller names the file.

// The document's rows the command line asks for (the play range, or the whole song with
// --whole) in the output's format.
Status WriteDocumentOutput(const CSoundDoc& doc, const Options& options);
// A raw resource written as the engine plays its records, in an output format that plays
// records (PlaysRecords).
Status WriteRecordsOutput(const std::vector<std::uint8_t>& resource, const Options& options);

// The tag's title for an input file (its name without extension) and game for a folder.
std::string TitleOfFile(const std::string& path);
std::string GameOfFolder(const std::string& dir);
