// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/WavWriter.h"

#include "framework/File.h"
#include "playback/AgiChipRender.h"
#include "playback/AudioFormat.h"
#include "playback/OfflineRenderer.h"
#include "playback/SineRenderer.h"
#include "playback/SoundRenderer.h"
#include "sound/AgiResource.h"
#include "sound/AgiTone.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace
{
constexpr std::uint32_t kHeaderBytes = 44;
constexpr std::size_t kBlockSamples = kSampleRate;
// RIFF sizes are 32-bit.
constexpr std::uint64_t kMaxSamples = (0xFFFFFFFFull - kHeaderBytes) / kBytesPerSample;
constexpr std::uint64_t kLongRenderSeconds = 3600;

// Fills up to n samples; returns how many, 0 at the end.
using SampleSource = std::function<std::size_t(std::int16_t* pOut, std::size_t n)>;

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

std::string WavHeader(std::uint32_t nDataBytes)
{
    const WaveFormat format;
    std::string bytes;
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
    return bytes;
}

// Writes nSamples from the source, padding with silence should it end early.
Status WriteStream(CFile& out, std::uint64_t nSamples, const SampleSource& source,
                   const WavProgress& progress)
{
    if (nSamples > kMaxSamples)
        return Failure{kWavTooLongText};
    const std::string header = WavHeader(static_cast<std::uint32_t>(nSamples * 2));
    out.Write(header.data(), header.size());
    std::vector<std::int16_t> block(static_cast<std::size_t>(
        std::min<std::uint64_t>(std::max<std::uint64_t>(nSamples, 1), kBlockSamples)));
    std::string bytes;
    for (std::uint64_t done = 0; done < nSamples;)
    {
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), nSamples - done));
        const std::size_t got = source(block.data(), n);
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(got),
                  block.begin() + static_cast<std::ptrdiff_t>(n), std::int16_t{0});
        bytes.clear();
        for (std::size_t i = 0; i < n; ++i)
            PutLE16(bytes, static_cast<std::uint16_t>(block[i]));
        out.Write(bytes.data(), bytes.size());
        done += n;
        if (progress && !progress(static_cast<double>(done) / static_cast<double>(nSamples)))
            return Failure{};
    }
    return Success();
}

// Hands out a renderer's slots in pieces of any size; sequences under the guard.
class CSlotSource
{
public:
    CSlotSource(ISoundRenderer& renderer, const CSoundDoc& doc)
        : m_renderer(renderer), m_doc(doc), m_slot(renderer.GetSlotSamples())
    {
    }
    std::size_t operator()(std::int16_t* pOut, std::size_t n)
    {
        for (std::size_t done = 0; done < n;)
        {
            if (m_nUsed == m_slot.size())
            {
                m_renderer.RenderSlot(m_slot.data());
                std::lock_guard lock(m_doc.Guard());
                m_renderer.Advance(m_doc);
                m_nUsed = 0;
            }
            const std::size_t count = std::min(n - done, m_slot.size() - m_nUsed);
            std::copy_n(m_slot.data() + m_nUsed, count, pOut + done);
            m_nUsed += count;
            done += count;
        }
        return n;
    }

private:
    ISoundRenderer& m_renderer;
    const CSoundDoc& m_doc;
    std::vector<std::int16_t> m_slot;
    std::size_t m_nUsed = m_slot.size();
};

// Begins the renderer at the play range; the caller holds the document's guard.
std::string BeginSine(const CSoundDoc& doc, CSineRenderer& renderer, std::uint64_t& nSamples)
{
    std::string error;
    if (!renderer.Begin(doc, doc.GetPlayRange().start, error))
        return kWavTooLongText;
    const auto nRows = static_cast<std::uint64_t>(PlayRangeRows(doc));
    if (nRows > kMaxSamples / renderer.GetSlotSamples())
        return kWavTooLongText;
    nSamples = nRows * renderer.GetSlotSamples();
    return {};
}

Status WriteSineWav(const CSoundDoc& doc, CFile& out, const WavOptions& options)
{
    CSineRenderer renderer;
    renderer.SetMuteMask(options.muteMask);
    std::uint64_t nSamples = 0;
    {
        std::lock_guard lock(doc.Guard());
        if (std::string error = BeginSine(doc, renderer, nSamples); !error.empty())
            return Failure{std::move(error)};
    }
    CSlotSource source(renderer, doc);
    return WriteStream(out, nSamples, std::ref(source), options.progress);
}

// The play range's AGI export, as the chips play it.
std::string BuildForChip(const CSoundDoc& doc, AgiResourceBuild& build)
{
    std::lock_guard lock(doc.Guard());
    if (AgiTicksPerRow(doc.GetTracksPerBeat(), doc.GetBeatsPerMinute()) == 0)
        return kTempoTooFastText;
    build = BuildAgiResource(doc);
    return build.error;
}

// In the decimal units file managers show.
std::string DescribeBytes(std::uint64_t bytes)
{
    char text[32];
    if (bytes >= 1000000000)
        std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
    else if (bytes >= 1000000)
        std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / 1e6);
    else
        std::snprintf(text, sizeof text, "%.0f kB", static_cast<double>(bytes) / 1e3);
    return text;
}

std::string ToLength(std::uint64_t nSamples, WavLength& length)
{
    if (nSamples > kMaxSamples)
        return kWavTooLongText;
    length.samples = nSamples;
    length.bytes = kHeaderBytes + nSamples * kBytesPerSample;
    return {};
}
} // namespace

double WavLength::Seconds() const
{
    return static_cast<double>(samples) / kSampleRate;
}

bool WavLength::IsLong() const
{
    return samples > kLongRenderSeconds * kSampleRate;
}

std::string DescribeWavLength(const WavLength& length)
{
    // Rounded up, so that a render just past the hour does not read as one hour.
    const std::uint64_t seconds = (length.samples + kSampleRate - 1) / kSampleRate;
    char text[64];
    std::snprintf(text, sizeof text, "%llu:%02u:%02u (%s)",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60),
                  DescribeBytes(length.bytes).c_str());
    return text;
}

Status ExportWav(const CSoundDoc& doc, const WavOptions& options, CFile& out)
{
    if (options.kind == SynthKind::Sine)
        return WriteSineWav(doc, out, options);
    AgiResourceBuild build;
    if (std::string error = BuildForChip(doc, build); !error.empty())
        return Failure{std::move(error)};
    return ExportAgiWav(build.bytes, options, out);
}

std::string MeasureWavFile(const CSoundDoc& doc, SynthKind kind, WavLength& length)
{
    if (kind == SynthKind::Sine)
    {
        CSineRenderer renderer;
        std::uint64_t nSamples = 0;
        std::lock_guard lock(doc.Guard());
        if (std::string error = BeginSine(doc, renderer, nSamples); !error.empty())
            return error;
        return ToLength(nSamples, length);
    }
    AgiResourceBuild build;
    if (std::string error = BuildForChip(doc, build); !error.empty())
        return error;
    return MeasureAgiWavFile(build.bytes.data(), build.bytes.size(), kind, length);
}

std::string MeasureAgiWavFile(const std::uint8_t* pData, std::size_t size, SynthKind kind,
                              WavLength& length)
{
    if (kind == SynthKind::Sine)
    {
        CSoundDoc doc;
        doc.OnNewDocument();
        std::lock_guard lock(doc.Guard());
        if (std::string error = ParseAgiResource(doc, {pData, pData + size}); !error.empty())
            return error;
        return MeasureWavFile(doc, kind, length);
    }
    std::int64_t ticks = 0;
    if (std::string error = MeasureAgiResource({pData, pData + size}, ticks); !error.empty())
        return error;
    return ToLength(CAgiChipRender(pData, size, kind).GetTotalSamples(), length);
}

Status ExportAgiWav(const std::vector<std::uint8_t>& resource, const WavOptions& options,
                    CFile& out)
{
    if (options.kind == SynthKind::Sine)
    {
        CSoundDoc doc;
        doc.OnNewDocument();
        std::lock_guard lock(doc.Guard());
        if (std::string error = ParseAgiResource(doc, resource); !error.empty())
            return Failure{std::move(error)};
        return WriteSineWav(doc, out, options);
    }
    // The chip reads the records where the offsets point: a resource the import refuses for
    // them is refused here with the same message rather than played from wherever they lead.
    std::int64_t ticks = 0;
    if (std::string error = MeasureAgiResource(resource, ticks); !error.empty())
        return Failure{std::move(error)};
    CAgiChipRender render(resource.data(), resource.size(), options.kind, options.fade);
    render.SetMuteMask(options.muteMask);
    return WriteStream(
        out, render.GetTotalSamples(),
        [&render](std::int16_t* pOut, std::size_t n) { return render.Read(pOut, n); },
        options.progress);
}
