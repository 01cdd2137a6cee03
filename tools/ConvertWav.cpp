// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertFormats.h"

#include "framework/File.h"
#include "framework/UserInterface.h"
#include "playback/WavWriter.h"
#include "sound/AgiResource.h"

#include <string>

namespace
{
bool Report(const std::string& error)
{
    if (error.empty())
        return true;
    AfxMessageBox(error, MB_OK | MB_ICONSTOP);
    return false;
}
} // namespace

bool WriteWavOutput(CSoundDoc& doc, SynthKind kind, const std::string& path)
{
    return Report(WriteWavFile(doc, kind, path));
}

bool WriteAgiWavOutput(const std::vector<std::uint8_t>& resource, SynthKind kind,
                       const std::string& path, FadeKind fade)
{
    return Report(WriteAgiWavFile(resource.data(), resource.size(), kind, fade, path));
}

bool WriteAgiFileWavOutput(const std::string& input, SynthKind kind, const std::string& path)
{
    const std::string bytes = ReadWholeFile(input, kMaxAgiFileBytes);
    return WriteAgiWavOutput({bytes.begin(), bytes.end()}, kind, path);
}
