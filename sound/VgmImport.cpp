// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/VgmImport.h"

#include "sound/AgiResource.h"
#include "sound/AgiTone.h"
#include "sound/SoundDoc.h"
#include "sound/VgmFormat.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

namespace
{
// A log this large inflated is no chip song; stops a compressed bomb.
constexpr std::size_t kMaxInflatedBytes = std::size_t{64} << 20;

std::uint32_t ReadLE32(const std::vector<std::uint8_t>& bytes, std::size_t pos)
{
    return std::uint32_t{bytes[pos]} | std::uint32_t{bytes[pos + 1]} << 8 |
           std::uint32_t{bytes[pos + 2]} << 16 | std::uint32_t{bytes[pos + 3]} << 24;
}

// A cancelled inflate stops early; the caller asks progress.
std::string Inflate(const std::vector<std::uint8_t>& packed, std::vector<std::uint8_t>& out,
                    const CProgress& progress)
{
    z_stream stream{};
    // 16 + window bits: a gzip wrapper.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return "the gzip data cannot be read";
    stream.next_in = const_cast<Bytef*>(packed.data());
    stream.avail_in = static_cast<uInt>(packed.size());
    std::array<std::uint8_t, 65536> chunk;
    int status = Z_OK;
    bool bTooLarge = false;
    while (status == Z_OK && !bTooLarge && !progress.Cancelled())
    {
        progress.Step(packed.size() - stream.avail_in, packed.size());
        stream.next_out = chunk.data();
        stream.avail_out = chunk.size();
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
        bTooLarge = out.size() > kMaxInflatedBytes;
    }
    inflateEnd(&stream);
    if (bTooLarge)
        return "the gzip data expands past " + std::to_string(kMaxInflatedBytes >> 20) + " MiB";
    return status == Z_STREAM_END ? std::string{} : "damaged gzip data";
}

// Operand bytes of each command this reader skips or obeys; -1 for a command the format does
// not define. The 0x67 data block is read on its own.
int OperandBytes(std::uint8_t command, std::uint32_t version)
{
    if (command >= 0x30 && command <= 0x3F)
        return 1;
    if (command >= 0x40 && command <= 0x4E)
        return version < 0x160 ? 1 : 2;
    if (command == 0x4F || command == 0x50)
        return 1;
    if (command >= 0x51 && command <= 0x5F)
        return 2;
    if (command == 0x61)
        return 2;
    if (command == 0x62 || command == 0x63 || command == 0x66 ||
        (command >= 0x70 && command <= 0x8F))
        return 0;
    if (command == 0x68)
        return 11;
    static constexpr int kStreamControl[] = {4, 4, 5, 10, 1, 4};
    if (command >= 0x90 && command <= 0x95)
        return kStreamControl[command - 0x90];
    if (command >= 0xA0 && command <= 0xBF)
        return 2;
    if (command >= 0xC0 && command <= 0xDF)
        return 3;
    if (command >= 0xE0)
        return 4;
    return -1;
}

bool IsOtherChip(std::uint8_t command)
{
    return (command >= 0x40 && command <= 0x4E) || (command >= 0x51 && command <= 0x5F) ||
           command == 0x67 || command == 0x68 || command >= 0x80;
}

struct VgmLog
{
    std::uint32_t clock = kVgmChipClock;
    std::uint64_t totalSamples = 0;
    bool bOtherChips = false;
};

std::string HexByte(std::uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// The chip's registers as the engine's records need them.
struct ChipState
{
    std::array<std::uint16_t, 3> divisors{};
    std::array<std::uint8_t, 4> attens{kAgiSilentAttenuation, kAgiSilentAttenuation,
                                       kAgiSilentAttenuation, kAgiSilentAttenuation};
    std::uint8_t noise = 0;
    int latched = 0; // register 0-7: voice times 2, plus 1 for attenuation
    bool bNoiseWritten = false;
    // A divisor once written stays the voice's, 0 included, while it is silent.
    std::array<bool, 3> divisorWritten{};

    void Write(std::uint8_t value)
    {
        if ((value & 0x80) != 0)
        {
            latched = (value >> 4) & 0x07;
            SetLatched(value & 0x0F, true);
        }
        else
            SetLatched(value & 0x3F, false);
    }

private:
    void SetLatched(int data, bool bLow)
    {
        const int voice = latched >> 1;
        if ((latched & 1) != 0)
            attens[voice] = static_cast<std::uint8_t>(data & 0x0F);
        else if (voice == 3)
        {
            noise = static_cast<std::uint8_t>(data & 0x07);
            bNoiseWritten = true;
        }
        else
        {
            divisorWritten[voice] = true;
            if (bLow)
                divisors[voice] = static_cast<std::uint16_t>((divisors[voice] & 0x3F0) | data);
            else
                divisors[voice] = static_cast<std::uint16_t>((divisors[voice] & 0x0F) | data << 4);
        }
    }
};

std::uint16_t RescaledDivisor(std::uint16_t divisor, std::uint32_t clock)
{
    if (clock == kVgmChipClock)
        return divisor;
    const std::uint64_t counted = divisor == 0 ? 1024 : divisor;
    const std::uint64_t scaled = (counted * kVgmChipClock * 2 + clock) / (std::uint64_t{clock} * 2);
    return static_cast<std::uint16_t>(std::clamp<std::uint64_t>(scaled, 1, 1023));
}

// Follows one channel's setting from tick to tick, a record per change.
class CRecordTrack
{
public:
    // bHeld: the channel holds something beyond its power-on state even when silent (a
    // divisor written, which may drive the noise, or a noise setting just written).
    void Change(std::int64_t tick, std::uint16_t setting, std::uint8_t atten, bool bHeld,
                bool bRestart)
    {
        if (m_bOpen && !bRestart && setting == m_open.setting && atten == m_open.atten)
            return;
        if (!m_bOpen && atten == kAgiSilentAttenuation && !bHeld)
            return;
        Close(tick);
        m_open = {tick, 0, setting, atten};
        m_bOpen = true;
    }
    void Close(std::int64_t tick)
    {
        if (m_bOpen && tick > m_open.start)
        {
            m_open.ticks = tick - m_open.start;
            m_records.push_back(m_open);
        }
        m_bOpen = false;
    }
    std::vector<SongRecord>& Records() { return m_records; }

private:
    SongRecord m_open;
    bool m_bOpen = false;
    std::vector<SongRecord> m_records;
};

std::int64_t TickOf(std::uint64_t sample)
{
    // A write lands on the first tick that starts at or after it.
    const std::uint64_t tick = (sample + kVgmSamplesPerTick - 1) / kVgmSamplesPerTick;
    return static_cast<std::int64_t>(std::min<std::uint64_t>(tick, kMaxImportedTicks + 1));
}

// The chip's writes, in the log's order, as the records the engine plays: the registers
// after all writes of a tick are that tick's state.
class CChipSong
{
public:
    explicit CChipSong(std::uint32_t clock) : m_clock(clock) {}

    void Write(std::uint64_t sample, std::uint8_t value)
    {
        const std::int64_t tick = TickOf(sample);
        if (tick > kMaxImportedTicks)
            return;
        if (m_bPending && tick != m_tick)
            Flush();
        m_tick = tick;
        m_bPending = true;
        m_chip.Write(value);
    }

    // Writes at or after the end play nothing.
    ImportedSong Finish(std::int64_t lengthTicks)
    {
        if (m_bPending && m_tick < lengthTicks)
            Flush();
        ImportedSong song;
        song.lengthTicks = lengthTicks;
        for (int channel = 0; channel < kChannelCount; ++channel)
        {
            m_tracks[channel].Close(lengthTicks);
            std::vector<SongRecord>& records = m_tracks[channel].Records();
            std::erase_if(records, [&](const SongRecord& r) { return r.start >= lengthTicks; });
            if (!records.empty() && records.back().End() > lengthTicks)
                records.back().ticks = lengthTicks - records.back().start;
            song.channels[channel] = std::move(records);
        }
        return song;
    }

private:
    void Flush()
    {
        // A silent voice left out would become a rest with another divisor, and noise of
        // rate 3 plays at voice 2's.
        for (int voice = 0; voice < 3; ++voice)
            m_tracks[voice].Change(m_tick, RescaledDivisor(m_chip.divisors[voice], m_clock),
                                   m_chip.attens[voice], m_chip.divisorWritten[voice], false);
        // The register reloads at every write of the noise control, so a repeat is a new note.
        m_tracks[kNoiseChannel].Change(m_tick, m_chip.noise, m_chip.attens[kNoiseChannel],
                                       m_chip.bNoiseWritten, m_chip.bNoiseWritten);
        m_chip.bNoiseWritten = false;
        m_bPending = false;
    }

    std::uint32_t m_clock;
    ChipState m_chip;
    std::array<CRecordTrack, kChannelCount> m_tracks;
    std::int64_t m_tick = 0;
    bool m_bPending = false;
};

std::string ReadCommands(const std::vector<std::uint8_t>& bytes, std::size_t pos, std::size_t end,
                         std::uint32_t version, VgmLog& log, CChipSong& chip,
                         const CProgress& progress)
{
    std::uint64_t sample = 0;
    for (std::size_t nCommands = 0; pos < end; ++nCommands)
    {
        if (nCommands % CProgress::kItemsPerStep == 0)
            progress.Step(pos, end);
        if (progress.Cancelled())
            return {};
        const std::uint8_t command = bytes[pos++];
        if (command == 0x66)
            break;
        if (command == 0x67)
        {
            // 0x67 0x66 type size32, then the block.
            if (end - pos < 6 || bytes[pos] != 0x66)
                return "VGM data block " +
                       std::string(end - pos < 6 ? "runs past the end of the file" : "is damaged");
            const std::uint32_t size = ReadLE32(bytes, pos + 2);
            if (size > end - pos - 6)
                return "VGM data block runs past the end of the file";
            pos += 6 + size;
            log.bOtherChips = true;
            continue;
        }
        const int operands = OperandBytes(command, version);
        if (operands < 0)
            return "VGM command " + HexByte(command) + " is not defined";
        if (end - pos < static_cast<std::size_t>(operands))
            return "VGM data ends inside a command";
        if (command == 0x50)
            chip.Write(sample, bytes[pos]);
        else if (command == 0x61)
            sample += bytes[pos] | bytes[pos + 1] << 8;
        else if (command == 0x62)
            sample += 735;
        else if (command == 0x63)
            sample += 882;
        else if (command >= 0x70 && command <= 0x7F)
            sample += (command & 0x0F) + 1;
        else if (command >= 0x80 && command <= 0x8F)
            sample += command & 0x0F;
        log.bOtherChips = log.bOtherChips || IsOtherChip(command);
        pos += static_cast<std::size_t>(operands);
    }
    if (log.totalSamples == 0)
        log.totalSamples = sample;
    return {};
}

std::string ReadLog(const std::vector<std::uint8_t>& bytes, VgmLog& log,
                    std::unique_ptr<CChipSong>& pChip, const CProgress& progress)
{
    if (bytes.size() < kVgmHeaderBytes || std::memcmp(bytes.data(), "Vgm ", 4) != 0)
        return "not a VGM file";
    const std::uint32_t version = ReadLE32(bytes, 0x08);
    if (version < 0x100 || version > 0x171)
    {
        char text[64];
        std::snprintf(text, sizeof text, "VGM version %X.%02X is not supported", version >> 8,
                      version & 0xFF);
        return text;
    }
    // Bit 30 marks a second chip, which is left out; bit 31 another variant of the same chip.
    log.clock = ReadLE32(bytes, 0x0C) & 0x3FFFFFFF;
    if (log.clock == 0)
        return "no SN76489 in this VGM";
    log.totalSamples = ReadLE32(bytes, 0x18);
    std::size_t start = kVgmHeaderBytes;
    if (version >= 0x150 && ReadLE32(bytes, 0x34) != 0)
        start = 0x34 + std::size_t{ReadLE32(bytes, 0x34)};
    if (start > bytes.size())
        return "VGM data offset past the end of the file";
    std::size_t end = bytes.size();
    const std::size_t eof = 4 + std::size_t{ReadLE32(bytes, 0x04)};
    if (eof > start && eof < end)
        end = eof;
    pChip = std::make_unique<CChipSong>(log.clock);
    return ReadCommands(bytes, start, end, version, log, *pChip, progress);
}

} // namespace

Result<ImportedSong> ReadVgmSong(const std::vector<std::uint8_t>& bytes,
                                 std::vector<std::string>& warnings, const CProgress& progress)
{
    std::vector<std::uint8_t> inflated;
    const bool bPacked = bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B;
    const double readFrom = bPacked ? 0.3 : 0.0;
    if (bPacked)
    {
        std::string error = Inflate(bytes, inflated, progress.Part(0.0, readFrom));
        if (progress.Cancelled())
            return Failure{};
        if (!error.empty())
            return Failure{std::move(error)};
    }
    VgmLog log;
    std::unique_ptr<CChipSong> pChip;
    std::string error =
        ReadLog(bPacked ? inflated : bytes, log, pChip, progress.Part(readFrom, 1.0));
    if (progress.Cancelled())
        return Failure{};
    if (!error.empty())
        return Failure{std::move(error)};
    if ((log.totalSamples + kVgmSamplesPerTick - 1) / kVgmSamplesPerTick >
        static_cast<std::uint64_t>(kMaxImportedTicks))
        return Failure{SongTooLongMessage()};
    if (log.bOtherChips)
        warnings.push_back("commands for chips other than the SN76489 were skipped");
    ImportedSong song = pChip->Finish(static_cast<std::int64_t>(
        (log.totalSamples + kVgmSamplesPerTick - 1) / kVgmSamplesPerTick));
    progress.Done();
    return song;
}

VgmImportNotes NotesOfVgmSong(const ImportedSong& song, std::vector<std::string> warnings)
{
    VgmImportNotes notes{std::move(warnings), ImportedAgiBytes(song)};
    notes.tooLongForAgi = notes.agiBytes > kMaxAgiResourceBytes;
    return notes;
}

Result<VgmImportNotes> ImportVgm(const std::vector<std::uint8_t>& bytes, CSoundDoc& doc,
                                 const CProgress& progress)
{
    std::vector<std::string> warnings;
    const Result<ImportedSong> song =
        ReadVgmSong(bytes, warnings, progress.Part(0.0, kSongBuildFrom));
    if (!song.Ok())
        return song.GetFailure();
    BuildImportedDocument(song.Value(), doc, progress.Part(kSongBuildFrom, 1.0));
    return NotesOfVgmSong(song.Value(), std::move(warnings));
}
