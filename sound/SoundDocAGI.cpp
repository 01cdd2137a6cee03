// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's sound resource: import into a document and export of the play range.
#include "sound/SoundDoc.h"

#include "framework/File.h"
#include "framework/UserInterface.h"
#include "sound/AgiTone.h"
#include "sound/ChannelWalk.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <mutex>

namespace
{
constexpr std::size_t kHeaderBytes = 2 * kChannelCount;
constexpr std::size_t kRecordBytes = 5;
// Larger files are not sounds; refusing them keeps a hostile file from costing memory.
constexpr std::size_t kMaxRawBytes = 1024 * 1024;
// The last pattern of a longer channel would lie beyond the sequence steps the editor can
// address (32768 steps of 32 rows).
constexpr std::int64_t kMaxImportRows = 1048576;
constexpr std::int32_t kImportRows = 32;
// The offsets table is 16 bits wide.
constexpr std::size_t kMaxResourceBytes = 0xFFFF;
// A duration of FF FF would end the channel.
constexpr std::int64_t kMaxRecordTicks = 0xFFFE;

unsigned ReadLE16(const std::uint8_t* p)
{
    return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8;
}

// Calls fn for each record of the channel data from pos up to end that the import reads: it
// stops at the terminator and before a record that would run past the end of the data, and
// passes over records whose control byte is 0.
template <typename Fn>
void ForEachRecord(const std::vector<std::uint8_t>& data, std::size_t pos, std::size_t end, Fn fn)
{
    for (; pos < end && pos + kRecordBytes <= data.size(); pos += kRecordBytes)
    {
        const std::uint8_t* pRecord = &data[pos];
        if (pRecord[0] == 0xFF && pRecord[1] == 0xFF)
            break;
        if (pRecord[3] != 0)
            fn(pRecord);
    }
}

void FillCellFromRecord(SoundCell& cell, const std::uint8_t* pRecord, int channel)
{
    std::uint8_t atten = pRecord[4] & 0x0F;
    if (channel == kNoiseChannel)
    {
        cell.freq = pRecord[3] & 0x03;
        cell.noiseType = (pRecord[3] & 0x04) != 0 ? NOISE_WHITE : NOISE_PERIODIC;
    }
    else
    {
        const int divisor = (pRecord[3] & 0x0F) + (pRecord[2] & 0x3F) * 16;
        if (divisor < kAgiMinToneDivisor)
        {
            cell.note = NOTE_OFF;
            atten = ATTEN_EMPTY;
        }
        else
            cell.note = static_cast<std::uint8_t>(AgiNoteFromDivisor(divisor));
    }
    cell.atten = atten;
}

// Appends the five bytes of the held sound lasting the given ticks: as several records
// when it is longer than one record can say, so the song keeps its length.
void AppendRecords(std::vector<std::uint8_t>& out, int channel, const SoundCell& held,
                   std::int64_t ticks)
{
    std::uint8_t atten = held.atten & 0x0F;
    std::uint8_t tone = 0;
    std::uint8_t control = 0;
    if (channel == kNoiseChannel)
    {
        if (held.freq == FREQ_OFF || held.freq == FREQ_EMPTY)
            atten = 15;
        control = static_cast<std::uint8_t>(0xE0 + (held.noiseType != 0 ? 4 : 0) + (held.freq & 3));
        atten = static_cast<std::uint8_t>(0xF0 + atten);
    }
    else
    {
        int divisor = 15;
        if (held.note < NOTE_OFF)
            divisor = AgiDivisorOfNote(held.note);
        else
            atten = 15;
        tone = static_cast<std::uint8_t>((divisor >> 4) & 0x3F);
        control = static_cast<std::uint8_t>(0x80 + 32 * channel + (divisor & 0x0F));
        atten = static_cast<std::uint8_t>(0x90 + 32 * channel + atten);
    }
    do
    {
        const std::int64_t part = std::min(ticks, kMaxRecordTicks);
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(part & 0xFF),
                    static_cast<std::uint8_t>((part >> 8) & 0xFF), tone, control, atten});
        ticks -= part;
    } while (ticks > 0);
}

std::size_t RecordBytesFor(std::int64_t ticks)
{
    const std::int64_t records =
        std::max<std::int64_t>(1, (ticks + kMaxRecordTicks - 1) / kMaxRecordTicks);
    return static_cast<std::size_t>(records) * kRecordBytes;
}

// Appends the records of one channel of the play range and its terminator. Returns false
// when they would need more than nRoom bytes.
bool AppendChannel(const CSoundDoc& doc, int channel, std::int64_t ticksPerRow, std::size_t nRoom,
                   std::vector<std::uint8_t>& out)
{
    const bool bNoise = channel == kNoiseChannel;
    // Before the first placement nothing sounds; the channel starts loud and periodic.
    SoundCell working{NOTE_EMPTY, FREQ_EMPTY, NOISE_PERIODIC, 0};
    SoundCell held = working;
    std::int64_t nRows = 0;

    CChannelWalk walk(doc, channel);
    CChannelWalk::Step step;
    while (walk.Next(step))
    {
        step.MergeInto(working);
        if (step.kind == CChannelWalk::Kind::PatternRow)
        {
            // Empty bytes keep the held sound; an attenuation alone re-sounds it at that level.
            if (working.atten == ATTEN_EMPTY)
                working.atten = held.atten;
            else if (bNoise && working.freq == FREQ_EMPTY)
            {
                working.freq = held.freq;
                working.noiseType = held.noiseType;
            }
            else if (!bNoise && working.note == NOTE_EMPTY)
                working.note = held.note;
        }
        if (step.pos == doc.m_nRangeEnd)
        {
            if (held.note != NOTE_EMPTY)
                working.note = NOTE_OFF;
            if (held.freq != FREQ_EMPTY)
                working.freq = FREQ_OFF;
        }

        const bool bEvent = bNoise ? working.freq != FREQ_EMPTY : working.note != NOTE_EMPTY;
        if (!bEvent)
            ++nRows;
        if (step.pos == doc.m_nRangeStart || bEvent)
        {
            if (step.pos != doc.m_nRangeStart)
            {
                const std::int64_t ticks = nRows * ticksPerRow;
                if (out.size() + RecordBytesFor(ticks) > nRoom)
                    return false;
                AppendRecords(out, channel, held, ticks);
            }
            held = working;
            nRows = 1;
        }
    }
    if (out.size() + 2 > nRoom)
        return false;
    out.insert(out.end(), {0xFF, 0xFF});
    return true;
}

std::string TooShortMessage(std::size_t size)
{
    return "Error: Raw data too short! ( " + std::to_string(size) + " bytes )";
}

std::string TooLongMessage(std::uint64_t size)
{
    return "Error: Raw data too long! ( " + std::to_string(size) + " bytes )";
}
} // namespace

bool CSoundDoc::ImportAGIFile(const std::string& path)
{
    bool bParsed = false;
    {
        CDiskFile file(path, CDiskFile::modeRead);
        if (file.GetRemaining() > kMaxRawBytes)
        {
            AfxMessageBox(TooLongMessage(file.GetRemaining()));
            return false;
        }
        // Read to the end rather than trusting the size: not every file reports one.
        std::vector<std::uint8_t> data;
        std::uint8_t chunk[65536];
        while (data.size() <= kMaxRawBytes)
        {
            const std::size_t n = file.Read(chunk, sizeof chunk);
            if (n == 0)
                break;
            data.insert(data.end(), chunk, chunk + n);
        }
        std::lock_guard lock(m_guard);
        m_rawData = std::move(data);
        bParsed = ParseAGIResource();
    }
    if (bParsed)
        UpdateAllViews(nullptr, nullptr);
    return bParsed;
}

bool CSoundDoc::ParseAGIResource()
{
    std::lock_guard lock(m_guard);
    const std::vector<std::uint8_t>& data = m_rawData;
    const std::size_t size = data.size();
    if (size < kHeaderBytes)
    {
        AfxMessageBox(TooShortMessage(size));
        return false;
    }
    if (size > kMaxRawBytes)
    {
        AfxMessageBox(TooLongMessage(size));
        return false;
    }

    // The Noise data runs to the end of the resource.
    std::array<std::size_t, kChannelCount + 1> offsets{};
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        offsets[channel] = ReadLE16(&data[2 * channel]);
        if (offsets[channel] > size)
        {
            AfxMessageBox("Error: Offset " + std::to_string(offsets[channel]) + " for machine " +
                          std::to_string(channel) + " is out of bounds! ( total size " +
                          std::to_string(size) + " )");
            return false;
        }
    }
    offsets[kChannelCount] = size;

    // Refuse before anything changes, so a refused file leaves the document as it was.
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        std::int64_t rows = 0;
        ForEachRecord(data, offsets[channel], offsets[channel + 1],
                      [&](const std::uint8_t* pRecord) { rows += ReadLE16(pRecord); });
        if (rows > kMaxImportRows)
        {
            AfxMessageBox("Error: Sound too long on machine " + std::to_string(channel) +
                          "! ( more than " + std::to_string(kMaxImportRows) + " rows )");
            return false;
        }
    }

    DeleteContents();
    // One row per tick of the resource.
    m_nTracksPerBeat = 24;
    m_nBeatsPerMinute = 140;
    m_nStepSize = 32;

    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        CSoundPattern* pPattern = CreatePattern(channel, kImportRows);
        m_sequence[channel][0] = pPattern;
        std::int32_t next = kImportRows;
        std::int64_t row = 0;
        ForEachRecord(data, offsets[channel], offsets[channel + 1],
                      [&](const std::uint8_t* pRecord)
                      {
                          SoundCell cell = pPattern->GetCell(static_cast<std::int32_t>(row));
                          FillCellFromRecord(cell, pRecord, channel);
                          pPattern->SetCell(static_cast<std::int32_t>(row), cell);
                          // A duration of 0 advances nothing: the next record replaces this one.
                          row += ReadLE16(pRecord);
                          while (row >= kImportRows)
                          {
                              pPattern = CreatePattern(channel, kImportRows);
                              m_sequence[channel][next] = pPattern;
                              next += kImportRows;
                              row -= kImportRows;
                          }
                      });
        if (row == 0)
        {
            // Empty: the channel had no notes, or its last one ended on a pattern boundary.
            DeletePattern(pPattern);
            next -= kImportRows;
        }
        else if (row < kImportRows - 1)
        {
            SoundCell cell = pPattern->GetCell(static_cast<std::int32_t>(row));
            if (channel == kNoiseChannel)
                cell.freq = FREQ_OFF;
            else
                cell.note = NOTE_OFF;
            cell.atten = ATTEN_EMPTY;
            pPattern->SetCell(static_cast<std::int32_t>(row), cell);
        }
        m_nRangeEnd = std::max(m_nRangeEnd, next);
    }
    return true;
}

bool CSoundDoc::BuildAGIResource()
{
    std::lock_guard lock(m_guard);
    const std::int64_t ticksPerRow = AgiTicksPerRow(m_nTracksPerBeat, m_nBeatsPerMinute);
    std::array<std::vector<std::uint8_t>, kChannelCount> channels;
    std::size_t total = kHeaderBytes;
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        channels[channel].reserve(1024);
        if (!AppendChannel(*this, channel, ticksPerRow, kMaxResourceBytes - total,
                           channels[channel]))
        {
            AfxMessageBox("Error: Sound too long for an AGI resource! ( more than " +
                          std::to_string(kMaxResourceBytes) + " bytes )");
            return false;
        }
        total += channels[channel].size();
    }

    std::vector<std::uint8_t> bytes;
    bytes.reserve(total);
    std::size_t offset = kHeaderBytes;
    for (const auto& channel : channels)
    {
        bytes.push_back(static_cast<std::uint8_t>(offset & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(offset >> 8));
        offset += channel.size();
    }
    for (const auto& channel : channels)
        bytes.insert(bytes.end(), channel.begin(), channel.end());
    m_rawData = std::move(bytes);
    return true;
}

bool CSoundDoc::ExportAGI()
{
    FileDialogRequest request;
    request.bOpen = false;
    request.strTitle = "Export AGI Sound";
    request.strFileName = std::filesystem::path(GetTitle()).stem().string();
    request.strFilter = "Resource Files (*.*)|*.*||";
    request.bOverwritePrompt = true;
    request.bPathMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return false;

    std::vector<std::uint8_t> bytes;
    {
        std::lock_guard lock(m_guard);
        if (!BuildAGIResource())
            return false;
        bytes = m_rawData;
    }
    try
    {
        WriteFileAtomically(path, bytes.data(), bytes.size());
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}
