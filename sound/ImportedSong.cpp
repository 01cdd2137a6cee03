// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/ImportedSong.h"

#include "sound/AgiResource.h"
#include "sound/AgiTone.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <numeric>

namespace
{
constexpr std::int32_t kPatternRows = 64;
// A row of ten seconds is coarse enough for any song.
constexpr std::int64_t kMaxRowTicks = 600;
// The resource's terminator of a voice.
constexpr std::size_t kTerminatorBytes = 2;

struct Tempo
{
    std::int32_t tracksPerBeat = 24;
    std::int32_t beatsPerMinute = 140;
};

// For each row length a whole tempo can give, the tempo nearest four rows per beat at 120
// beats per minute.
const std::map<std::int64_t, Tempo>& TempoOfRowTicks()
{
    static const std::map<std::int64_t, Tempo> table = []
    {
        std::map<std::int64_t, Tempo> best;
        auto score = [](const Tempo& t)
        { return std::abs(t.tracksPerBeat - 4) * 1000 + std::abs(t.beatsPerMinute - 120); };
        for (std::int32_t bpm = 20; bpm <= 300; ++bpm)
            for (std::int32_t tpb = 1; tpb <= 48; ++tpb)
            {
                const std::int64_t ticks = AgiTicksPerRow(tpb, bpm);
                if (ticks < 1 || ticks > kMaxRowTicks)
                    continue;
                const Tempo candidate{tpb, bpm};
                auto it = best.find(ticks);
                if (it == best.end() || score(candidate) < score(it->second))
                    best[ticks] = candidate;
            }
        return best;
    }();
    return table;
}

std::int64_t EventTicksDivisor(const ImportedSong& song)
{
    std::int64_t divisor = song.lengthTicks;
    for (const auto& records : song.channels)
        for (const SongRecord& record : records)
        {
            divisor = std::gcd(std::gcd(divisor, record.start), record.End());
            if (divisor == 1)
                return 1;
        }
    return divisor;
}

SoundCell ToneCell(const SongRecord& record)
{
    SoundCell cell = SoundCell::Empty();
    const int divisor = record.setting & 0x3FF;
    cell.note = static_cast<std::uint8_t>(AgiNoteOfAnyDivisor(divisor));
    if (divisor != AgiDivisorOfNote(cell.note))
        cell.divisor = static_cast<std::uint16_t>(divisor);
    cell.atten = record.atten;
    return cell;
}

SoundCell NoiseCell(const SongRecord& record)
{
    SoundCell cell = SoundCell::Empty();
    cell.freq = record.setting & 0x03;
    cell.noiseType = (record.setting & 0x04) != 0 ? NOISE_WHITE : NOISE_PERIODIC;
    cell.atten = record.atten;
    return cell;
}

SoundCell OffCell(int channel)
{
    SoundCell cell = SoundCell::Empty();
    if (channel == kNoiseChannel)
        cell.freq = FREQ_OFF;
    else
        cell.note = NOTE_OFF;
    return cell;
}

struct RowCell
{
    std::int64_t row;
    SoundCell cell;
};

// The channel's cells in row order: a record's sound where it starts, an off where it ends
// unless the next record starts there. Records are in time order and every start and end is a
// whole row, so each cell lands on or after the one before it.
std::vector<RowCell> ChannelCells(const std::vector<SongRecord>& records, int channel,
                                  std::int64_t rowTicks)
{
    std::vector<RowCell> cells;
    cells.reserve(records.size() * 2);
    auto put = [&](std::int64_t row, const SoundCell& cell)
    {
        if (!cells.empty() && cells.back().row == row)
            cells.back().cell = cell;
        else
            cells.push_back({row, cell});
    };
    for (std::size_t i = 0; i < records.size(); ++i)
    {
        const SongRecord& record = records[i];
        put(record.start / rowTicks,
            channel == kNoiseChannel ? NoiseCell(record) : ToneCell(record));
        const bool bFollowed = i + 1 < records.size() && records[i + 1].start == record.End();
        if (!bFollowed)
            put(record.End() / rowTicks, OffCell(channel));
    }
    return cells;
}

// Patterns on every step up to the song's end, so that the export never meets a pattern's
// end (which would split a sound or a silence); the silent steps share one empty pattern. The
// last pattern ends on the song's end, so the document's whole song is the song itself; an off
// there is left out, as the song's end silences every channel.
void FillChannel(CSoundDoc& doc, int channel, const std::vector<RowCell>& cells,
                 std::int64_t endRow, const CProgress& progress)
{
    CSoundPattern* pSilent = nullptr;
    std::vector<CSoundPattern*> steps;
    steps.reserve(static_cast<std::size_t>((endRow + kPatternRows - 1) / kPatternRows));
    auto it = cells.begin();
    for (std::int64_t first = 0; first < endRow; first += kPatternRows)
    {
        if (first % (kPatternRows * 64) == 0)
            progress.Step(static_cast<std::size_t>(first), static_cast<std::size_t>(endRow));
        const std::int64_t last = std::min(first + kPatternRows, endRow);
        const auto rows = static_cast<std::int32_t>(last - first);
        CSoundPattern* pPattern = nullptr;
        if ((it == cells.end() || it->row >= last) && rows == kPatternRows)
        {
            if (pSilent == nullptr)
                pSilent = doc.CreatePattern(channel, kPatternRows);
            pPattern = pSilent;
        }
        else
        {
            pPattern = doc.CreatePattern(channel, rows);
            for (; it != cells.end() && it->row < last; ++it)
                pPattern->SetCell(static_cast<std::int32_t>(it->row - first), it->cell);
        }
        steps.push_back(pPattern);
    }
    // Placed once all are made, so that the patterns lie one after another in memory, where
    // saving walks them: placing each as it is made was slower by a third.
    for (std::size_t step = 0; step < steps.size(); ++step)
        doc.PlacePattern(channel, static_cast<std::int32_t>(step) * kPatternRows, steps[step]);
}
} // namespace

std::string SongTooLongMessage()
{
    return "song too long ( more than " + std::to_string(kMaxImportedTicks) +
           " ticks of 1/60 second )";
}

std::int64_t ImportedRowTicks(const ImportedSong& song)
{
    const std::int64_t divisor = EventTicksDivisor(song);
    const auto& tempos = TempoOfRowTicks();
    for (std::int64_t ticks = std::min(divisor, kMaxRowTicks); ticks > 1; --ticks)
        if (divisor % ticks == 0 && tempos.count(ticks) != 0)
            return ticks;
    return 1;
}

std::size_t ImportedAgiBytes(const ImportedSong& song)
{
    std::size_t total = kAgiOffsetTableBytes;
    for (const auto& records : song.channels)
    {
        total += kTerminatorBytes;
        std::int64_t at = 0;
        for (const SongRecord& record : records)
        {
            if (record.start > at)
                total += AgiRecordBytesFor(record.start - at);
            total += AgiRecordBytesFor(record.ticks);
            at = record.End();
        }
        if (!records.empty() && song.lengthTicks > at)
            total += AgiRecordBytesFor(song.lengthTicks - at);
    }
    return total;
}

void BuildImportedDocument(const ImportedSong& song, CSoundDoc& doc, const CProgress& progress)
{
    const std::int64_t rowTicks = ImportedRowTicks(song);
    const Tempo tempo = rowTicks == 1 ? Tempo{} : TempoOfRowTicks().at(rowTicks);
    const std::int64_t endRow = song.lengthTicks / rowTicks;

    std::lock_guard lock(doc.Guard());
    doc.DeleteContents();
    doc.AssignProperties({tempo.beatsPerMinute, kPatternRows, tempo.tracksPerBeat});
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        const auto& records = song.channels[static_cast<std::size_t>(channel)];
        if (!records.empty())
            FillChannel(doc, channel, ChannelCells(records, channel, rowTicks), endRow,
                        progress.Part(channel / double{kChannelCount},
                                      (channel + 1) / double{kChannelCount}));
    }
    doc.AssignPlayRange({0, static_cast<std::int32_t>(endRow)});
    // The views hear of the new song once, not once for every pattern of it.
    doc.SetModifiedFlag();
    doc.UpdateAllViews(nullptr);
    progress.Done();
}
