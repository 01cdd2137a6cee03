// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/VgmWriter.h"

#include "framework/Gzip.h"
#include "framework/TextCodec.h"
#include "sound/AgiEngine.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"
#include "sound/VgmFormat.h"
#include "sound/VoiceMute.h"

#include <algorithm>
#include <mutex>

namespace
{
constexpr std::uint32_t kVersion = 0x151;
constexpr std::uint32_t kMaxWait = 0xFFFF;
constexpr std::uint8_t kWrite = 0x50;
constexpr std::uint8_t kWait = 0x61;
constexpr std::uint8_t kWaitTick = 0x62;
constexpr std::uint8_t kEnd = 0x66;

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

void SetLE32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

// Records the engine's writes as the chip's own bytes. A noise setting is its latch byte
// alone: players read a data byte after it as a new setting.
class CVgmCommands : public IChipWrites
{
public:
    explicit CVgmCommands(std::vector<std::uint8_t>& out) : m_out(out) {}
    void SetAttenuation(int voice, unsigned attenuation) override
    {
        Write(0x90 | voice << 5 | (attenuation & kSilent));
    }
    void SetDivisor(int voice, unsigned divisor) override
    {
        Write(0x80 | voice << 5 | (divisor & 0x0F));
        Write((divisor >> 4) & 0x3F);
    }
    void StartNoise(unsigned control) override { Write(0xE0 | (control & 7)); }

    // Waits run together until the next write, so ticks without a change cost nothing.
    void Wait(std::uint64_t ticks) { m_waitTicks += ticks; }
    void FlushWait()
    {
        const std::uint64_t ticks = m_waitTicks;
        m_waitTicks = 0;
        for (std::uint64_t samples = ticks * kVgmSamplesPerTick; samples > 0;)
        {
            const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(samples, kMaxWait));
            if (n == kVgmSamplesPerTick)
                m_out.push_back(kWaitTick);
            else
            {
                m_out.push_back(kWait);
                PutLE16(m_out, n);
            }
            samples -= n;
        }
    }

private:
    void Write(unsigned value)
    {
        FlushWait();
        m_out.push_back(kWrite);
        m_out.push_back(static_cast<std::uint8_t>(value));
    }
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_waitTicks = 0;
};

struct ChipHeader
{
    std::uint16_t feedback;
    std::uint8_t width;
    std::uint8_t flags;
    const char* system;
};

ChipHeader HeaderOf(SynthKind chip)
{
    // Flags: divisor 0 is 0x400, stereo off, plus for the NCR chip a negated output and
    // XNOR noise.
    if (chip == SynthKind::Tandy)
        return {0x0022, 16, 0x17, "Tandy 1000"};
    return {0x0003, 15, 0x05, "IBM PCjr"};
}

std::vector<std::uint8_t> Gd3Tag(const VgmOptions& options, const char* system)
{
    std::string strings;
    const auto add = [&](const std::string& text)
    {
        strings += ToUtf16Le(text);
        strings += std::string(2, '\0');
    };
    for (const std::string& text :
         {options.title, std::string(), options.game, std::string(), std::string(system),
          std::string(), std::string(), std::string(), std::string(), std::string("Tarvok"),
          std::string()})
        add(text);
    std::vector<std::uint8_t> tag{'G', 'd', '3', ' '};
    PutLE32(tag, 0x100);
    PutLE32(tag, static_cast<std::uint32_t>(strings.size()));
    tag.insert(tag.end(), strings.begin(), strings.end());
    return tag;
}

void WriteHeader(std::vector<std::uint8_t>& out, const ChipHeader& chip, std::uint32_t samples,
                 bool bLoop, std::size_t gd3At)
{
    std::copy_n("Vgm ", 4, out.begin());
    SetLE32(out, 0x04, static_cast<std::uint32_t>(out.size() - 0x04));
    SetLE32(out, 0x08, kVersion);
    SetLE32(out, 0x0C, kVgmChipClock);
    SetLE32(out, 0x14, static_cast<std::uint32_t>(gd3At - 0x14));
    SetLE32(out, 0x18, samples);
    if (bLoop)
    {
        SetLE32(out, 0x1C, static_cast<std::uint32_t>(kVgmHeaderBytes - 0x1C));
        SetLE32(out, 0x20, samples);
    }
    SetLE32(out, 0x24, 60);
    out[0x28] = static_cast<std::uint8_t>(chip.feedback & 0xFF);
    out[0x29] = static_cast<std::uint8_t>(chip.feedback >> 8);
    out[0x2A] = chip.width;
    out[0x2B] = chip.flags;
    SetLE32(out, 0x34, static_cast<std::uint32_t>(kVgmHeaderBytes - 0x34));
}
} // namespace

Result<std::vector<std::uint8_t>> BuildVgm(const std::uint8_t* pData, std::size_t size,
                                           const VgmOptions& options)
{
    // The engine would play records from wherever bad offsets point; the import refuses them.
    if (const Result<std::int64_t> measured = MeasureAgiResource({pData, pData + size});
        !measured.Ok())
        return measured.GetFailure();
    CAgiEngine engine(pData, size, options.fade);
    const std::uint64_t total = engine.GetTotalTicks();
    if (total * kVgmSamplesPerTick > 0xFFFFFFFFu)
        return Failure{"The sound is too long for a VGM file."};
    std::vector<std::uint8_t> out(kVgmHeaderBytes, 0);
    CVgmCommands commands(out);
    CVoiceMute writes(commands);
    writes.SetMask(options.muteMask);
    std::uint64_t tick = 0;
    // Writes due at the very end are those of voices ending there, made below for all.
    for (std::uint64_t next; (next = engine.NextWriteTick()) < total; tick = next)
    {
        commands.Wait(next - tick);
        engine.SkipTo(next, writes);
        engine.StartTick(writes);
    }
    commands.Wait(total - tick);
    // A player must not hold the last notes.
    for (int voice = 0; voice < IChipWrites::kVoices; ++voice)
        commands.SetAttenuation(voice, IChipWrites::kSilent);
    commands.FlushWait();
    out.push_back(kEnd);

    const ChipHeader chip = HeaderOf(options.chip);
    const std::size_t gd3At = out.size();
    const std::vector<std::uint8_t> tag = Gd3Tag(options, chip.system);
    out.insert(out.end(), tag.begin(), tag.end());
    WriteHeader(out, chip, static_cast<std::uint32_t>(total * kVgmSamplesPerTick),
                options.bLoop && total > 0, gd3At);
    if (options.bGzip)
        out = GzipBytes(out);
    return out;
}

Result<std::vector<std::uint8_t>> BuildDocumentVgm(const CSoundDoc& doc, const PlayRange& range,
                                                   const VgmOptions& options)
{
    std::lock_guard lock(doc.Guard());
    const Result<std::vector<std::uint8_t>> resource = BuildAgiResource(doc, range);
    if (!resource.Ok())
        return resource.GetFailure();
    return BuildVgm(resource.Value().data(), resource.Value().size(), options);
}
