// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's sound resource: the import into a document and the export of a range of it.
#include "sound/AgiResource.h"

#include "sound/AgiChannelWriter.h"
#include "sound/AgiTone.h"
#include "sound/ChannelWalk.h"
#include "sound/GameTempo.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace
{
// The last pattern of a longer channel would lie beyond the sequence steps the editor can
// address (32768 steps of 32 rows).
constexpr std::int64_t kMaxImportRows = 1048576;
constexpr std::int32_t kImportRows = 32;

// Calls fn for each record of the channel data from pos up to end that the engine plays: it
// stops at the terminator and before a record that would run past the end of the data.
template <typename Fn>
void ForEachRecord(const std::vector<std::uint8_t>& data, std::size_t pos, std::size_t end, Fn fn)
{
    for (; pos < end && pos + kAgiRecordBytes <= data.size(); pos += kAgiRecordBytes)
    {
        const std::uint8_t* pRecord = &data[pos];
        if (pRecord[0] == 0xFF && pRecord[1] == 0xFF)
            break;
        fn(pRecord);
    }
}

// What a channel of the generator holds between records: a record whose control byte is 0
// changes only the attenuation, so the pitch or noise of an earlier one (even one without
// time) goes on. The generator starts with divisor 0 and periodic noise at rate 0.
struct ChannelState
{
    int divisor = 0;
    std::uint8_t noiseControl = 0;
};

// The divisor a rest leaves in the generator still matters to noise that follows Voice2's
// pitch, and games write rests with other divisors than the export's 15: a rest keeps it too.
SoundCell ToneCellFor(int divisor, std::uint8_t atten, bool bRest)
{
    SoundCell cell = SoundCell::Empty();
    cell.note = static_cast<std::uint8_t>(bRest ? int{NOTE_OFF} : AgiNoteOfAnyDivisor(divisor));
    if (divisor != (bRest ? kAgiRestDivisor : AgiDivisorOfNote(cell.note)))
        cell.divisor = static_cast<std::uint16_t>(divisor);
    if (!bRest)
        cell.atten = atten;
    return cell;
}

SoundCell CellFromRecord(ChannelState& state, const std::uint8_t* pRecord, int channel)
{
    const bool bSetting = pRecord[3] != 0;
    const std::uint8_t atten = pRecord[4] & 0x0F;
    if (channel == kNoiseChannel)
    {
        if (bSetting)
            state.noiseControl = pRecord[3] & 0x07;
        SoundCell cell = SoundCell::Empty();
        cell.freq = state.noiseControl & 0x03;
        cell.noiseType = (state.noiseControl & 0x04) != 0 ? NOISE_WHITE : NOISE_PERIODIC;
        cell.atten = atten;
        return cell;
    }
    if (bSetting)
        state.divisor = (pRecord[3] & 0x0F) + (pRecord[2] & 0x3F) * 16;
    // A silent record without a pitch of its own, or with one below the notes, is a rest; any
    // other keeps its divisor, even one the editor's notes cannot name.
    const bool bRest = atten == 15 && (!bSetting || state.divisor < kAgiMinToneDivisor);
    return ToneCellFor(state.divisor, atten, bRest);
}

// A channel as game makers name it: "voice 1", "the noise channel".
std::string ChannelInWords(int channel)
{
    return channel == kChannelCount - 1 ? "the noise channel" : "voice " + std::to_string(channel);
}

std::string TooShortMessage(std::size_t size)
{
    return "Error: Raw data too short! ( " + std::to_string(size) + " bytes )";
}

using ChannelOffsets = std::array<std::size_t, kChannelCount + 1>;

// The channels' data bounds; the Noise data runs to the end of the resource.
Result<ChannelOffsets> ReadChannelOffsets(const std::vector<std::uint8_t>& data)
{
    const std::size_t size = data.size();
    if (size < kAgiOffsetTableBytes)
        return Failure{TooShortMessage(size)};
    if (size > kMaxAgiFileBytes)
        return Failure{AgiTooLongMessage(size)};
    ChannelOffsets offsets{};
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        offsets[channel] = ReadLE16(&data[2 * channel]);
        if (offsets[channel] > size)
            return Failure{"Error: Offset " + std::to_string(offsets[channel]) + " for " +
                           ChannelInWords(channel) + " is out of bounds! ( total size " +
                           std::to_string(size) + " )"};
    }
    offsets[kChannelCount] = size;
    return offsets;
}

std::int64_t ChannelTicks(const std::vector<std::uint8_t>& data, const ChannelOffsets& offsets,
                          int channel)
{
    std::int64_t ticks = 0;
    ForEachRecord(data, offsets[channel], offsets[channel + 1],
                  [&](const std::uint8_t* pRecord) { ticks += ReadLE16(pRecord); });
    return ticks;
}

void FillChannel(CSoundDoc& doc, const std::vector<std::uint8_t>& data,
                 const ChannelOffsets& offsets, int channel)
{
    CSoundPattern* pPattern = doc.CreatePattern(channel, kImportRows);
    doc.PlacePattern(channel, 0, pPattern);
    std::int32_t next = kImportRows;
    std::int64_t row = 0;
    ChannelState state;
    ForEachRecord(data, offsets[channel], offsets[channel + 1],
                  [&](const std::uint8_t* pRecord)
                  {
                      pPattern->SetCell(static_cast<std::int32_t>(row),
                                        CellFromRecord(state, pRecord, channel));
                      // A duration of 0 advances nothing: the next record replaces this one.
                      row += ReadLE16(pRecord);
                      while (row >= kImportRows)
                      {
                          pPattern = doc.CreatePattern(channel, kImportRows);
                          doc.PlacePattern(channel, next, pPattern);
                          next += kImportRows;
                          row -= kImportRows;
                      }
                  });
    // The pattern's end closes the channel's last sound, and the whole song ends with the
    // longest channel, as the play range does. An empty pattern goes: the channel had no
    // notes, or its last one ended on a pattern boundary.
    if (row == 0)
        doc.DeletePattern(pPattern);
    else
        pPattern->SetRows(static_cast<std::int32_t>(row));
}
} // namespace

std::string AgiTooLongMessage(std::uint64_t size)
{
    return "Error: Raw data too long! ( " + std::to_string(size) + " bytes )";
}

Status ParseAgiResource(CSoundDoc& doc, const std::vector<std::uint8_t>& data)
{
    const Result<ChannelOffsets> read = ReadChannelOffsets(data);
    if (!read.Ok())
        return read.GetFailure();
    const ChannelOffsets& offsets = read.Value();
    // Refuse before anything changes, so a refused file leaves the document as it was.
    std::int64_t ticks = 0;
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        const std::int64_t channelTicks = ChannelTicks(data, offsets, channel);
        if (channelTicks > kMaxImportRows)
            return Failure{"Error: Sound too long on " + ChannelInWords(channel) +
                           "! ( more than " + std::to_string(kMaxImportRows) + " rows )"};
        ticks = std::max(ticks, channelTicks);
    }

    doc.DeleteContents();
    // One row per tick of the resource.
    doc.AssignProperties({.beatsPerMinute = 140, .stepSize = 32, .tracksPerBeat = 24});
    for (int channel = 0; channel < kChannelCount; ++channel)
        FillChannel(doc, data, offsets, channel);
    // The song ends where the engine's sound does, so the export lasts as long.
    doc.AssignPlayRange({doc.GetPlayRange().start, static_cast<std::int32_t>(ticks)});
    return Success();
}

Result<std::int64_t> MeasureAgiResource(const std::vector<std::uint8_t>& data)
{
    const Result<ChannelOffsets> offsets = ReadChannelOffsets(data);
    if (!offsets.Ok())
        return offsets.GetFailure();
    std::int64_t ticks = 0;
    for (int channel = 0; channel < kChannelCount; ++channel)
        ticks = std::max(ticks, ChannelTicks(data, offsets.Value(), channel));
    return ticks;
}

Status CheckAgiImportLength(std::int64_t ticks)
{
    if (ticks <= kMaxImportRows)
        return Success();
    return Failure{"too long to open: " + std::to_string(ticks) + " ticks, the editor holds " +
                   std::to_string(kMaxImportRows)};
}

AgiVoiceRecords BuildAgiRecords(const CSoundDoc& doc, const PlayRange& range)
{
    const std::int64_t ticksPerRow = CGameTempo(doc).TicksPerRow();
    AgiVoiceRecords channels;
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        CAgiChannelWriter writer(doc, channel, ticksPerRow, &channels[channel], INT64_MAX);
        writer.Write(range);
    }
    return channels;
}

Result<std::vector<std::uint8_t>> BuildAgiResource(const CSoundDoc& doc, const PlayRange& range)
{
    const std::int64_t ticksPerRow = CGameTempo(doc).TicksPerRow();
    AgiVoiceRecords channels;
    std::size_t total = kAgiOffsetTableBytes;
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        channels[channel].reserve(1024);
        CAgiChannelWriter writer(doc, channel, ticksPerRow, &channels[channel],
                                 static_cast<std::int64_t>(kMaxAgiResourceBytes - total));
        if (!writer.Write(range))
            return Failure{"Error: Sound too long for an AGI resource! ( more than " +
                           std::to_string(kMaxAgiResourceBytes) + " bytes )"};
        total += channels[channel].size();
    }

    std::vector<std::uint8_t> bytes;
    bytes.reserve(total);
    std::size_t offset = kAgiOffsetTableBytes;
    for (const auto& channel : channels)
    {
        bytes.push_back(static_cast<std::uint8_t>(offset & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(offset >> 8));
        offset += channel.size();
    }
    for (const auto& channel : channels)
        bytes.insert(bytes.end(), channel.begin(), channel.end());
    return bytes;
}

AgiExportSize MeasureAgiExport(const CSoundDoc& doc, const PlayRange& range)
{
    const std::int64_t ticksPerRow = CGameTempo(doc).TicksPerRow();
    AgiExportSize size;
    size.bytes = kAgiOffsetTableBytes;
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        CAgiChannelWriter counter(doc, channel, ticksPerRow, nullptr, INT64_MAX);
        counter.Write(range);
        size.voices[channel] = counter.Size();
        size.bytes += size.voices[channel].bytes;
    }
    return size;
}

std::size_t AgiRecordBytesFor(std::int64_t ticks)
{
    const std::int64_t records =
        std::max<std::int64_t>(1, (ticks + kAgiMaxRecordTicks - 1) / kAgiMaxRecordTicks);
    return static_cast<std::size_t>(records) * kAgiRecordBytes;
}
