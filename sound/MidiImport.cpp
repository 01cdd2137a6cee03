// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MidiImport.h"

#include "sound/AgiResource.h"
#include "sound/AgiTone.h"
#include "sound/MidiInstrumentNames.h"
#include "sound/MidiVoices.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr int kLowestVoicedKey = 45; // the lowest note a 10-bit divisor reaches
constexpr int kDefaultBendRange = 2;
constexpr int kFullController = 127;
constexpr std::int64_t kLongestHit = 6;
constexpr std::uint16_t kWhiteNoise = 0x04;

// What a channel's controllers make of its notes from a tick on.
struct ControlPoint
{
    std::int64_t tick = std::numeric_limits<std::int64_t>::min();
    double bend = 0.0; // semitones
    int volume = kFullController;
    int expression = kFullController;
};

struct ChannelControls
{
    std::vector<ControlPoint> points{ControlPoint{}};
    // The registered parameter that data entry changes; 0/0 is the bend range.
    int parameterMsb = 127;
    int parameterLsb = 127;
    int rangeSemitones = kDefaultBendRange;
    int rangeCents = 0;
    int program = -1;

    void Set(std::int64_t tick, ControlPoint point)
    {
        point.tick = tick;
        if (points.back().tick == tick)
            points.back() = point;
        else
            points.push_back(point);
    }
    // The last point at or before the tick.
    std::vector<ControlPoint>::const_iterator At(std::int64_t tick) const
    {
        return std::prev(std::upper_bound(points.begin(), points.end(), tick,
                                          [](std::int64_t t, const ControlPoint& p)
                                          { return t < p.tick; }));
    }
};

struct SongNotes
{
    std::vector<MidiNote> notes;
    std::array<ChannelControls, kMidiChannels> controls;
};

void ApplyController(ChannelControls& controls, const MidiEvent& event)
{
    ControlPoint point = controls.points.back();
    switch (event.data1)
    {
    case 7:
        point.volume = event.data2;
        break;
    case 11:
        point.expression = event.data2;
        break;
    case 101:
        controls.parameterMsb = event.data2;
        return;
    case 100:
        controls.parameterLsb = event.data2;
        return;
    case 6:
    case 38:
        if (controls.parameterMsb == 0 && controls.parameterLsb == 0)
            (event.data1 == 6 ? controls.rangeSemitones : controls.rangeCents) = event.data2;
        return;
    default:
        return;
    }
    controls.Set(event.tick, point);
}

// A bend keeps the range in force when it arrives.
void ApplyBend(ChannelControls& controls, const MidiEvent& event)
{
    ControlPoint point = controls.points.back();
    const int value = (event.data2 << 7 | event.data1) - 8192;
    point.bend = value / 8192.0 * (controls.rangeSemitones + controls.rangeCents / 100.0);
    controls.Set(event.tick, point);
}

constexpr int kSustainPedal = 64;

SongNotes ExtractNotes(const MidiSong& song, const CProgress& progress)
{
    SongNotes result;
    std::array<std::array<std::int64_t, 128>, kMidiChannels> sounding;
    for (auto& keys : sounding)
        keys.fill(-1);
    // Keys released while the channel's pedal is down: they sound until it comes up.
    std::array<std::array<bool, 128>, kMidiChannels> held{};
    std::array<bool, kMidiChannels> pedalDown{};
    auto end = [&](int channel, int key, std::int64_t tick)
    {
        std::int64_t& index = sounding[channel][key];
        if (index >= 0)
            result.notes[static_cast<std::size_t>(index)].end = tick;
        index = -1;
        held[channel][key] = false;
    };
    auto release = [&](int channel, int key, std::int64_t tick)
    {
        if (pedalDown[channel] && sounding[channel][key] >= 0)
            held[channel][key] = true;
        else
            end(channel, key, tick);
    };
    auto setPedal = [&](int channel, bool bDown, std::int64_t tick)
    {
        pedalDown[channel] = bDown;
        if (!bDown)
            for (int key = 0; key < 128; ++key)
                if (held[channel][key])
                    end(channel, key, tick);
    };

    for (std::size_t i = 0; i < song.events.size(); ++i)
    {
        if (!progress.KeepGoing(i, song.events.size()))
            return result;
        const MidiEvent& event = song.events[i];
        const int channel = event.Channel();
        ChannelControls& controls = result.controls[channel];
        const bool bOn = event.Kind() == 0x90 && event.data2 > 0;
        if (bOn)
            end(channel, event.data1, event.tick); // struck again
        else if (event.Kind() == 0x80 || event.Kind() == 0x90)
            release(channel, event.data1, event.tick);
        if (bOn)
        {
            sounding[channel][event.data1] = static_cast<std::int64_t>(result.notes.size());
            result.notes.push_back({channel, event.data1, event.data1, event.data2, event.tick,
                                    song.lastTick, static_cast<std::uint32_t>(i)});
        }
        else if (event.Kind() == 0xB0 && event.data1 == kSustainPedal)
            setPedal(channel, event.data2 >= 64, event.tick);
        else if (event.Kind() == 0xB0)
            ApplyController(controls, event);
        else if (event.Kind() == 0xE0)
            ApplyBend(controls, event);
        else if (event.Kind() == 0xC0 && controls.program < 0)
            controls.program = event.data1;
    }
    for (MidiNote& note : result.notes)
        note.end = std::max(note.end, note.start + 1);
    return result;
}

int DivisorOf(int pitch, double bend)
{
    if (bend == 0.0 && pitch <= kMaxNote)
        return AgiDivisorOfNote(pitch);
    const double hz = 440.0 * std::pow(2.0, (pitch - 69 + bend) / 12.0);
    return static_cast<int>(std::clamp(std::trunc(111860.0 / hz), 1.0, double{kAgiMaxToneDivisor}));
}

std::uint8_t AttenuationOfLevel(int velocity, int volume, int expression)
{
    const double level = velocity / 127.0 * (volume / 127.0) * (expression / 127.0);
    return static_cast<std::uint8_t>(std::clamp(std::lround(-20.0 * std::log10(level)), 0L, 14L));
}

// A controller at 0 silences the channel rather than leaving it at the quietest level.
std::uint8_t AttenuationOf(int velocity, const ControlPoint& controls)
{
    if (velocity == 0 || controls.volume == 0 || controls.expression == 0)
        return 15;
    // Most notes play at full volume and expression: those levels are worked out once.
    static const std::array<std::uint8_t, 128> kAtFull = []
    {
        std::array<std::uint8_t, 128> table{};
        for (int v = 1; v < 128; ++v)
            table[static_cast<std::size_t>(v)] =
                AttenuationOfLevel(v, kFullController, kFullController);
        return table;
    }();
    if (controls.volume == kFullController && controls.expression == kFullController)
        return kAtFull[static_cast<std::size_t>(velocity & 0x7F)];
    return AttenuationOfLevel(velocity, controls.volume, controls.expression);
}

// Records of one stretch of a note: a new one wherever the channel's controllers change
// what it plays.
void AppendStretch(std::vector<SongRecord>& out, const MidiNote& note,
                   const ChannelControls& controls, std::int64_t start, std::int64_t end)
{
    auto recordAt = [&](std::int64_t tick, const ControlPoint& point)
    {
        return SongRecord{tick, 0, static_cast<std::uint16_t>(DivisorOf(note.pitch, point.bend)),
                          AttenuationOf(note.velocity, point)};
    };
    auto it = controls.At(start);
    SongRecord current = recordAt(start, *it);
    for (++it; it != controls.points.end() && it->tick < end; ++it)
    {
        SongRecord next = recordAt(it->tick, *it);
        if (next.setting == current.setting && next.atten == current.atten)
            continue;
        current.ticks = it->tick - current.start;
        out.push_back(current);
        current = next;
    }
    current.ticks = end - current.start;
    out.push_back(current);
}

// The noise channel plays, at each tick, the latest hit that still lasts; a hit that never
// does is merged into the others.
std::vector<SongRecord> DrumRecords(const SongNotes& notes, std::vector<std::size_t> hits,
                                    int& mergedHits, const CProgress& progress)
{
    // By start, then place in the file: the order the notes were read in, which the hits keep.
    auto earlier = [&](std::size_t a, std::size_t b)
    {
        const MidiNote& x = notes.notes[a];
        const MidiNote& y = notes.notes[b];
        return x.start != y.start ? x.start < y.start : x.order < y.order;
    };
    if (!std::is_sorted(hits.begin(), hits.end(), earlier))
        std::sort(hits.begin(), hits.end(), earlier);
    auto hitEnd = [&](std::size_t hit)
    { return std::min(notes.notes[hit].end, notes.notes[hit].start + kLongestHit); };

    std::vector<SongRecord> records;
    std::vector<std::size_t> lasting;
    std::size_t lastOwner = 0;
    std::vector<bool> heard(notes.notes.size(), false);
    std::size_t heardHits = 0;
    for (std::size_t i = 0; i < hits.size(); ++i)
    {
        if (!progress.KeepGoing(i, hits.size()))
            break;
        lasting.push_back(hits[i]);
        const std::int64_t start = notes.notes[hits[i]].start;
        const std::int64_t next = i + 1 < hits.size() ? notes.notes[hits[i + 1]].start
                                                      : std::numeric_limits<std::int64_t>::max();
        if (next == start)
            continue;
        for (std::int64_t tick = start; tick < next && tick < start + kLongestHit; ++tick)
        {
            const auto owner = std::find_if(lasting.rbegin(), lasting.rend(),
                                            [&](std::size_t hit) { return hitEnd(hit) > tick; });
            if (owner == lasting.rend())
                break;
            const MidiNote& note = notes.notes[*owner];
            const SongRecord record{
                tick, 1, static_cast<std::uint16_t>(kWhiteNoise | DrumNoiseRate(note.key)),
                AttenuationOf(note.velocity, *notes.controls[note.channel].At(tick))};
            // The same hit at the same level goes on; another hit restarts the noise.
            const bool bSameHit = !records.empty() && *owner == lastOwner &&
                                  records.back().End() == tick &&
                                  records.back().atten == record.atten;
            if (bSameHit)
                ++records.back().ticks;
            else
                records.push_back(record);
            if (!heard[*owner])
                ++heardHits;
            heard[*owner] = true;
            lastOwner = *owner;
        }
        std::erase_if(lasting, [&](std::size_t hit) { return hitEnd(hit) <= next; });
    }
    mergedHits = static_cast<int>(hits.size() - heardHits);
    return records;
}
} // namespace

int VoicedPitch(int key)
{
    return key < kLowestVoicedKey ? key + (kLowestVoicedKey - key + 11) / 12 * 12 : key;
}

std::uint8_t VelocityAttenuation(int velocity)
{
    return AttenuationOf(velocity, ControlPoint{});
}

std::uint8_t DrumNoiseRate(int key)
{
    if (key == 35 || key == 36)
        return 2;
    return key >= 37 && key <= 40 ? 1 : 0;
}

MidiImportOptions::MidiImportOptions()
{
    channels.fill(MidiChannelUse::Automatic);
    channels[kDefaultDrumChannel - 1] = MidiChannelUse::Noise;
}

MidiImportOptions MidiImportOptions::WithDrums(int drumChannel)
{
    MidiImportOptions options;
    options.channels.fill(MidiChannelUse::Automatic);
    if (drumChannel >= 1 && drumChannel <= kMidiChannels)
        options.channels[drumChannel - 1] = MidiChannelUse::Noise;
    return options;
}

MidiImportOptions MidiImportOptions::Mapped(const std::array<int, 3>& map, int drumChannel)
{
    MidiImportOptions options = WithDrums(drumChannel);
    for (MidiChannelUse& use : options.channels)
        if (use != MidiChannelUse::Noise)
            use = MidiChannelUse::LeaveOut;
    for (int voice = 0; voice < 3; ++voice)
        if (map[voice] >= 1 && map[voice] <= kMidiChannels)
            options.channels[map[voice] - 1] =
                static_cast<MidiChannelUse>(static_cast<int>(MidiChannelUse::Voice0) + voice);
    return options;
}

ImportedSong ConvertMidi(const MidiSong& song, const MidiImportOptions& options,
                         MidiImportCounts& counts, const CProgress& progress)
{
    counts = {};
    SongNotes notes = ExtractNotes(song, progress.Part(0.0, 0.3));
    if (progress.Cancelled())
        return {};
    std::vector<std::size_t> automatic;
    std::array<std::vector<std::size_t>, 3> mapped;
    std::vector<std::size_t> drums;
    std::vector<int> freeVoices{0, 1, 2};
    for (MidiChannelUse use : options.channels)
        if (use >= MidiChannelUse::Voice0 && use <= MidiChannelUse::Voice2)
            std::erase(freeVoices,
                       static_cast<int>(use) - static_cast<int>(MidiChannelUse::Voice0));

    for (std::size_t i = 0; i < notes.notes.size(); ++i)
    {
        MidiNote& note = notes.notes[i];
        const MidiChannelUse use = options.channels[note.channel];
        if (use == MidiChannelUse::LeaveOut)
            continue;
        if (use == MidiChannelUse::Noise)
        {
            drums.push_back(i);
            continue;
        }
        if (note.pitch < kLowestVoicedKey)
        {
            ++counts.raisedNotes;
            note.pitch = VoicedPitch(note.pitch);
        }
        if (use == MidiChannelUse::Automatic)
            automatic.push_back(i);
        else
            mapped[static_cast<int>(use) - static_cast<int>(MidiChannelUse::Voice0)].push_back(i);
    }

    ImportedSong result;
    auto place = [&](const VoiceAllocation& allocation)
    {
        counts.cutNotes += allocation.cutNotes;
        for (const VoicedNote& stretch : allocation.stretches)
        {
            const MidiNote& note = notes.notes[stretch.note];
            AppendStretch(result.channels[stretch.voice], note, notes.controls[note.channel],
                          stretch.start, stretch.end);
        }
    };
    // Each stage's share of the work, by the notes it takes.
    const double notesTotal = std::max<double>(1.0, static_cast<double>(notes.notes.size()));
    double at = 0.3;
    auto stage = [&](std::size_t nNotes)
    {
        const double from = at;
        at += 0.6 * static_cast<double>(nNotes) / notesTotal;
        return progress.Part(from, at);
    };
    place(AllocateVoices(notes.notes, automatic, freeVoices, stage(automatic.size())));
    for (int voice = 0; voice < 3; ++voice)
        place(PlayHighest(notes.notes, mapped[voice], voice, stage(mapped[voice].size())));
    result.channels[kNoiseChannel] =
        DrumRecords(notes, drums, counts.mergedDrumHits, stage(drums.size()));
    if (progress.Cancelled())
        return {};

    for (auto& records : result.channels)
        std::sort(records.begin(), records.end(),
                  [](const SongRecord& a, const SongRecord& b) { return a.start < b.start; });
    // The song lasts until the file's last note-off, heard or not, so that a game waiting for
    // the music to end waits as long as the file.
    for (const MidiNote& note : notes.notes)
        result.lengthTicks = std::max(result.lengthTicks, note.end);
    counts.agiBytes = ImportedAgiBytes(result);
    counts.tooLongForAgi = counts.agiBytes > kMaxAgiResourceBytes;
    progress.Done();
    return result;
}

MidiImportCounts CountMidiImport(const MidiSong& song, const MidiImportOptions& options)
{
    MidiImportCounts counts;
    ConvertMidi(song, options, counts);
    return counts;
}

std::vector<MidiChannelInfo> ListMidiChannels(const MidiSong& song)
{
    const SongNotes notes = ExtractNotes(song, CProgress());
    std::array<std::vector<std::pair<std::int64_t, int>>, kMidiChannels> changes;
    for (const MidiNote& note : notes.notes)
    {
        changes[note.channel].emplace_back(note.start, 1);
        changes[note.channel].emplace_back(note.end, -1);
    }
    std::vector<MidiChannelInfo> result;
    for (int channel = 0; channel < kMidiChannels; ++channel)
    {
        auto& list = changes[channel];
        if (list.empty())
            continue;
        // Ends sort before starts at the same tick.
        std::sort(list.begin(), list.end());
        MidiChannelInfo info;
        info.number = channel + 1;
        const int program = std::max(notes.controls[channel].program, 0);
        info.instrument =
            channel + 1 == kDefaultDrumChannel ? "Percussion" : g_generalMidiNames[program];
        int level = 0;
        for (const auto& [tick, step] : list)
        {
            level += step;
            info.maxPolyphony = std::max(info.maxPolyphony, level);
            info.notes += step > 0 ? 1 : 0;
        }
        result.push_back(info);
    }
    return result;
}

Result<MidiImportCounts> ImportMidi(const std::vector<std::uint8_t>& bytes,
                                    const MidiImportOptions& options, CSoundDoc& doc,
                                    const CProgress& progress)
{
    const Result<MidiSong> read = ReadMidiFile(bytes, progress.Part(0.0, kMidiReadShare));
    if (!read.Ok())
        return read.GetFailure();
    MidiImportCounts counts;
    const ImportedSong song =
        ConvertMidi(read.Value(), options, counts, progress.Part(kMidiReadShare, kSongBuildFrom));
    if (progress.Cancelled())
        return Failure{};
    BuildImportedDocument(song, doc, progress.Part(kSongBuildFrom, 1.0));
    return counts;
}
