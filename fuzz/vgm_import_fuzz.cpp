// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a VGM log, plain or gzip-compressed.
#include "ImportFuzzChecks.h"
#include "sound/VgmImport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> warnings;
    if (const auto song = ReadVgmSong(std::vector<std::uint8_t>(data, data + size), warnings);
        song.Ok())
        CheckImportedSong(song.Value());
    return 0;
}
