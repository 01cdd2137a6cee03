// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/WavWriter.h"

#include "framework/AtomicFile.h"
#include "playback/AgiChipRender.h"
#include "playback/AudioFormat.h"
#include "playback/OfflineRenderer.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

namespace
{
constexpr std::uint32_t kHeaderBytes = 44;
// RIFF sizes are 32-bit.
constexpr std::uint64_t kMaxSamples = (0xFFFFFFFFull - kHeaderBytes) / kBytesPerSample;
constexpr std::size_t kBlockSamples = kSampleRate;
const char* const kTooLongText = "The sound cannot be rendered: its play range is too long for a "
                                 ".wav file or its tempo is invalid.";
const char* const kCancelled = "cancelled";

void PutLE16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void PutLE32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    PutLE16(out, value & 0xFFFF);
    PutLE16(out, value >> 16);
}

std::vector<std::uint8_t> WavHeader(std::uint64_t nSamples)
{
    const WaveFormat format;
    const auto nDataBytes = static_cast<std::uint32_t>(nSamples * kBytesPerSample);
    std::vector<std::uint8_t> header;
    auto putTag = [&header](const char* tag) { header.insert(header.end(), tag, tag + 4); };
    putTag("RIFF");
    PutLE32(header, 36 + nDataBytes);
    putTag("WAVE");
    putTag("fmt ");
    PutLE32(header, sizeof(WaveFormat));
    PutLE16(header, format.wFormatTag);
    PutLE16(header, format.nChannels);
    PutLE32(header, format.nSamplesPerSec);
    PutLE32(header, format.nAvgBytesPerSec);
    PutLE16(header, format.nBlockAlign);
    PutLE16(header, format.wBitsPerSample);
    putTag("data");
    PutLE32(header, nDataBytes);
    return header;
}

using SampleReader = std::function<std::size_t(std::int16_t*, std::size_t)>;

// Streams nTotal samples from read into a file that appears at path only when complete.
std::string WriteBlocks(const std::string& path, std::uint64_t nTotal, const SampleReader& read,
                        const std::function<bool(double)>& progress)
{
    try
    {
        CAtomicFile file(path);
        const std::vector<std::uint8_t> header = WavHeader(nTotal);
        file.Write(header.data(), header.size());
        std::vector<std::int16_t> block(kBlockSamples);
        std::vector<std::uint8_t> bytes;
        for (std::uint64_t nDone = 0; nDone < nTotal;)
        {
            if (progress && !progress(static_cast<double>(nDone) / static_cast<double>(nTotal)))
                return kCancelled;
            const auto nWant =
                static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), nTotal - nDone));
            std::size_t n = read(block.data(), nWant);
            // The header promised nTotal samples; a short source ends in silence.
            if (n == 0)
            {
                std::fill_n(block.begin(), nWant, 0);
                n = nWant;
            }
            bytes.clear();
            for (std::size_t i = 0; i < n; ++i)
                PutLE16(bytes, static_cast<std::uint16_t>(block[i]));
            file.Write(bytes.data(), bytes.size());
            nDone += n;
        }
        if (progress && !progress(1.0))
            return kCancelled;
        file.Commit();
    }
    catch (const CFileException& e)
    {
        return e.what();
    }
    return {};
}

std::string WriteSine(const CSoundDoc& doc, const std::string& path,
                      const std::function<bool(double)>& progress)
{
    std::vector<std::int16_t> samples;
    if (!RenderPlayRange(doc, samples, kMaxSamples))
        return kTooLongText;
    std::size_t nRead = 0;
    return WriteBlocks(
        path, samples.size(),
        [&](std::int16_t* pOut, std::size_t n)
        {
            n = std::min(n, samples.size() - nRead);
            std::copy_n(samples.data() + nRead, n, pOut);
            nRead += n;
            return n;
        },
        progress);
}

std::string WriteChip(const CSoundDoc& doc, ChipVariant variant, const std::string& path,
                      const std::function<bool(double)>& progress)
{
    AgiResourceBuild build;
    {
        std::lock_guard lock(doc.Guard());
        build = BuildAgiResource(doc);
    }
    if (!build.Ok())
        return build.error;
    CAgiChipRender render(build.bytes.data(), build.bytes.size(), variant);
    if (render.GetTotalSamples() > kMaxSamples)
        return kTooLongText;
    return WriteBlocks(
        path, render.GetTotalSamples(),
        [&render](std::int16_t* pOut, std::size_t n) { return render.Read(pOut, n); }, progress);
}
} // namespace

std::string WriteWavFile(const CSoundDoc& doc, SynthKind kind, const std::string& path,
                         const std::function<bool(double fraction)>& progress)
{
    switch (kind)
    {
    case SynthKind::PCjr:
        return WriteChip(doc, ChipVariant::PCjr, path, progress);
    case SynthKind::Tandy:
        return WriteChip(doc, ChipVariant::Tandy1000, path, progress);
    default:
        return WriteSine(doc, path, progress);
    }
}
