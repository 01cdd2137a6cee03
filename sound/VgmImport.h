// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/ImportedSong.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;

// A VGM log (1.00-1.71, plain or gzip-compressed) of an SN76489-family chip, as the engine
// would play it: the chip's registers at the first sample of every tick of 735 samples.

struct VgmImportResult
{
    std::string error; // the message for the person, without the file's name
    std::vector<std::string> warnings;
    std::size_t agiBytes = 0;
    bool tooLongForAgi = false; // the AGI export will refuse the song
    bool Ok() const { return error.empty(); }
};

// The song of the file; returns "" or the message, and adds the warnings.
std::string ReadVgmSong(const std::vector<std::uint8_t>& bytes, ImportedSong& song,
                        std::vector<std::string>& warnings);

// Reads the file and replaces the document's contents with its song; a refused file leaves
// the document as it was.
VgmImportResult ImportVgm(const std::vector<std::uint8_t>& bytes, CSoundDoc& doc);
