// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "sound/ImportedSong.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSoundDoc;

// A VGM log (1.00-1.71, plain or gzip-compressed) of an SN76489-family chip, as the engine
// would play it: the chip's registers at the first sample of every tick of 735 samples.

// What an imported log could not keep, and whether the AGI export will take the song.
struct VgmImportNotes
{
    std::vector<std::string> warnings;
    std::size_t agiBytes = 0;
    bool tooLongForAgi = false; // the AGI export will refuse the song
};

// The song of the file, adding the warnings. A refusal's message does not name the file; a
// cancelled read fails silently.
Result<ImportedSong> ReadVgmSong(const std::vector<std::uint8_t>& bytes,
                                 std::vector<std::string>& warnings,
                                 const CProgress& progress = {});
// The notes for a song read with those warnings.
VgmImportNotes NotesOfVgmSong(const ImportedSong& song, std::vector<std::string> warnings);

// Reads the file and replaces the document's contents with its song; a refused or cancelled
// file leaves the document as it was.
Result<VgmImportNotes> ImportVgm(const std::vector<std::uint8_t>& bytes, CSoundDoc& doc,
                                 const CProgress& progress = {});
