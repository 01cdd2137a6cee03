// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ConvertFormats.h"

#include "framework/File.h"
#include "framework/UserInterface.h"
#include "playback/AudioFormat.h"
#include "playback/OfflineRenderer.h"
#include "sound/SoundDoc.h"

#include <cstdint>
#include <string>
#include <vector>

namespace
{
constexpr std::uint32_t kHeaderBytes = 44;

void PutLE16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void PutLE32(std::string& out, std::uint32_t value)
{
    PutLE16(out, value & 0xFFFF);
    PutLE16(out, value >> 16);
}
} // namespace

bool WriteWavOutput(CSoundDoc& doc, const std::string& path)
{
    // RIFF sizes are 32-bit.
    const std::uint64_t nMaxSamples = (0xFFFFFFFFull - kHeaderBytes) / kBytesPerSample;
    std::vector<std::int16_t> samples;
    if (!RenderPlayRange(doc, samples, nMaxSamples))
    {
        AfxMessageBox("The sound cannot be rendered: its play range is too long for a .wav file "
                      "or its tempo is invalid.",
                      MB_OK | MB_ICONSTOP);
        return false;
    }

    const WaveFormat format;
    const auto nDataBytes = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
    std::string bytes;
    bytes.reserve(kHeaderBytes + nDataBytes);
    bytes += "RIFF";
    PutLE32(bytes, 36 + nDataBytes);
    bytes += "WAVE";
    bytes += "fmt ";
    PutLE32(bytes, sizeof(WaveFormat));
    PutLE16(bytes, format.wFormatTag);
    PutLE16(bytes, format.nChannels);
    PutLE32(bytes, format.nSamplesPerSec);
    PutLE32(bytes, format.nAvgBytesPerSec);
    PutLE16(bytes, format.nBlockAlign);
    PutLE16(bytes, format.wBitsPerSample);
    bytes += "data";
    PutLE32(bytes, nDataBytes);
    for (std::int16_t sample : samples)
        PutLE16(bytes, static_cast<std::uint16_t>(sample));

    try
    {
        WriteFileAtomically(path, bytes.data(), bytes.size());
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_OK | MB_ICONSTOP);
        return false;
    }
    return true;
}
