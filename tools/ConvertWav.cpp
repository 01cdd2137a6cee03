// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertFormats.h"

#include "framework/AtomicFile.h"
#include "framework/File.h"
#include "playback/WavWriter.h"
#include "sound/AgiResource.h"

#include <string>

bool WriteWavOutput(const CSoundDoc& doc, const WavOptions& options, const std::string& path)
{
    return Report(WriteAtomically(path, [&](CFile& out) { return ExportWav(doc, options, out); }));
}

bool WriteAgiWavOutput(const std::vector<std::uint8_t>& resource, const WavOptions& options,
                       const std::string& path)
{
    return Report(
        WriteAtomically(path, [&](CFile& out) { return ExportAgiWav(resource, options, out); }));
}

bool WriteAgiFileWavOutput(const std::string& input, const WavOptions& options,
                           const std::string& path)
{
    const std::string bytes = ReadWholeFile(input, kMaxAgiFileBytes);
    return WriteAgiWavOutput({bytes.begin(), bytes.end()}, options, path);
}
