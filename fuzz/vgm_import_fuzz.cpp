// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a VGM log, plain or gzip-compressed.
#include "ImportFuzzChecks.h"
#include "sound/VgmImport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ImportedSong song;
    std::vector<std::string> warnings;
    if (ReadVgmSong(std::vector<std::uint8_t>(data, data + size), song, warnings).empty())
        CheckImportedSong(song);
    return 0;
}
