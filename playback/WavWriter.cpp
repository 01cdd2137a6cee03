// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/WavWriter.h"

#include "framework/File.h"
#include "playback/AgiChipRender.h"
#include "playback/AudioFormat.h"
#include "playback/SineRenderer.h"
#include "playback/SoundRenderer.h"
#include "sound/AgiResource.h"
#include "sound/GameTempo.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <bit>
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

// The file's samples are little-endian 16-bit, as this machine's own are on x86-64: there a
// block is written as it stands.
void ToLittleEndian(std::int16_t* pSamples, std::size_t n)
{
    if constexpr (std::endian::native == std::endian::big)
        for (std::size_t i = 0; i < n; ++i)
        {
            const auto u = static_cast<std::uint16_t>(pSamples[i]);
            pSamples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>((u >> 8) | (u << 8)));
        }
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
    for (std::uint64_t done = 0; done < nSamples;)
    {
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), nSamples - done));
        const std::size_t got = source(block.data(), n);
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(got),
                  block.begin() + static_cast<std::ptrdiff_t>(n), std::int16_t{0});
        ToLittleEndian(block.data(), n);
        out.Write(block.data(), n * kBytesPerSample);
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
    CSlotSource(ISoundRenderer& renderer, const CSoundDoc& doc, const PlayRange& range)
        : m_renderer(renderer), m_doc(doc), m_range(range), m_slot(renderer.GetSlotSamples())
    {
    }
    std::size_t operator()(std::int16_t* pOut, std::size_t n)
    {
        for (std::size_t done = 0; done < n;)
        {
            // Whole slots go straight into the block.
            if (m_nUsed == m_slot.size() && n - done >= m_slot.size())
            {
                RenderNext(pOut + done);
                done += m_slot.size();
                continue;
            }
            if (m_nUsed == m_slot.size())
            {
                RenderNext(m_slot.data());
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
    void RenderNext(std::int16_t* pOut)
    {
        m_renderer.RenderSlot(pOut);
        std::lock_guard lock(m_doc.Guard());
        m_renderer.Advance(m_doc, m_range);
    }

    ISoundRenderer& m_renderer;
    const CSoundDoc& m_doc;
    const PlayRange m_range;
    std::vector<std::int16_t> m_slot;
    std::size_t m_nUsed = m_slot.size();
};

// Begins the renderer at the range start; the samples one pass of the range takes: its rows
// at the game's tempo. The caller holds the document's guard.
Result<std::uint64_t> BeginSine(const CSoundDoc& doc, const PlayRange& range,
                                CSineRenderer& renderer)
{
    renderer.Begin(doc, range, range.start);
    const auto nTicks = static_cast<std::uint64_t>(CGameTempo(doc).TicksOf(RowsOf(range)));
    if (nTicks > kMaxSamples / renderer.GetSlotSamples())
        return Failure{kWavTooLongText};
    return nTicks * renderer.GetSlotSamples();
}

Status WriteSineWav(const CSoundDoc& doc, const PlayRange& range, CFile& out,
                    const WavOptions& options)
{
    CSineRenderer renderer;
    renderer.SetMuteMask(options.muteMask);
    Result<std::uint64_t> nSamples = Failure{};
    {
        std::lock_guard lock(doc.Guard());
        nSamples = BeginSine(doc, range, renderer);
    }
    if (!nSamples.Ok())
        return nSamples.GetFailure();
    CSlotSource source(renderer, doc, range);
    return WriteStream(out, nSamples.Value(), std::ref(source), options.progress);
}

// The records of the range as the chips play them: not a resource, so a song too long for
// one renders all the same.
CAgiChipRender ChipRenderOf(const CSoundDoc& doc, const PlayRange& range, SynthKind kind,
                            FadeKind fade)
{
    std::lock_guard lock(doc.Guard());
    return CAgiChipRender(BuildAgiRecords(doc, range), kind, fade);
}

Status WriteChipWav(CAgiChipRender& render, const WavOptions& options, CFile& out)
{
    render.SetMuteMask(options.muteMask);
    return WriteStream(
        out, render.GetTotalSamples(),
        [&render](std::int16_t* pOut, std::size_t n) { return render.Read(pOut, n); },
        options.progress);
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

Result<WavLength> ToLength(std::uint64_t nSamples)
{
    if (nSamples > kMaxSamples)
        return Failure{kWavTooLongText};
    return WavLength{nSamples, kHeaderBytes + nSamples * kBytesPerSample};
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

Status ExportWav(const CSoundDoc& doc, const PlayRange& range, const WavOptions& options,
                 CFile& out)
{
    if (options.kind == SynthKind::Sine)
        return WriteSineWav(doc, range, out, options);
    CAgiChipRender render = ChipRenderOf(doc, range, options.kind, options.fade);
    return WriteChipWav(render, options, out);
}

Result<WavLength> MeasureWavFile(const CSoundDoc& doc, const PlayRange& range, SynthKind kind)
{
    if (kind == SynthKind::Sine)
    {
        CSineRenderer renderer;
        std::lock_guard lock(doc.Guard());
        const Result<std::uint64_t> nSamples = BeginSine(doc, range, renderer);
        if (!nSamples.Ok())
            return nSamples.GetFailure();
        return ToLength(nSamples.Value());
    }
    return ToLength(ChipRenderOf(doc, range, kind, FadeKind::None).GetTotalSamples());
}

Result<WavLength> MeasureAgiWavFile(const std::uint8_t* pData, std::size_t size, SynthKind kind)
{
    if (kind == SynthKind::Sine)
    {
        CSoundDoc doc;
        doc.OnNewDocument();
        std::lock_guard lock(doc.Guard());
        if (Status parsed = ParseAgiResource(doc, {pData, pData + size}); !parsed.Ok())
            return parsed.GetFailure();
        return MeasureWavFile(doc, doc.GetPlayRange(), kind);
    }
    if (const Result<std::int64_t> measured = MeasureAgiResource({pData, pData + size});
        !measured.Ok())
        return measured.GetFailure();
    return ToLength(CAgiChipRender(pData, size, kind).GetTotalSamples());
}

Status ExportAgiWav(const std::vector<std::uint8_t>& resource, const WavOptions& options,
                    CFile& out)
{
    if (options.kind == SynthKind::Sine)
    {
        CSoundDoc doc;
        doc.OnNewDocument();
        std::lock_guard lock(doc.Guard());
        if (Status parsed = ParseAgiResource(doc, resource); !parsed.Ok())
            return parsed;
        return WriteSineWav(doc, doc.GetPlayRange(), out, options);
    }
    // The chip reads the records where the offsets point: a resource the import refuses for
    // them is refused here with the same message rather than played from wherever they lead.
    if (const Result<std::int64_t> measured = MeasureAgiResource(resource); !measured.Ok())
        return measured.GetFailure();
    CAgiChipRender render(resource.data(), resource.size(), options.kind, options.fade);
    return WriteChipWav(render, options, out);
}
