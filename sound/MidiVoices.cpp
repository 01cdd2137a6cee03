// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MidiVoices.h"

#include <algorithm>
#include <limits>
#include <set>
#include <tuple>

namespace
{
// Ties between equal pitches go to the earlier start, then the lower channel, then the
// earlier note-on in the file.
struct HigherFirst
{
    const std::vector<MidiNote>* pNotes;
    bool operator()(std::size_t a, std::size_t b) const
    {
        const MidiNote& x = (*pNotes)[a];
        const MidiNote& y = (*pNotes)[b];
        return std::tie(y.pitch, x.start, x.channel, x.order, a) <
               std::tie(x.pitch, y.start, y.channel, y.order, b);
    }
};

// A note's place in the order of HigherFirst as two integers, so that choosing among the
// sounding notes reads no notes.
struct Rank
{
    std::uint64_t major = 0; // 127 - pitch, start, channel
    std::uint64_t minor = 0; // place in the file, index
    bool operator<(const Rank& other) const
    {
        return major != other.major ? major < other.major : minor < other.minor;
    }
    bool SamePitch(const Rank& other) const { return major >> 48 == other.major >> 48; }
};

Rank RankOf(const MidiNote& note, std::size_t index)
{
    const auto pitch = static_cast<std::uint64_t>(127 - note.pitch);
    // Starts fit in 40 bits and channels in 4: songs are at most 2^20 ticks.
    return {pitch << 48 | static_cast<std::uint64_t>(note.start) << 8 |
                static_cast<std::uint64_t>(note.channel),
            std::uint64_t{note.order} << 32 | static_cast<std::uint32_t>(index)};
}

struct Sounding
{
    std::size_t note = 0;
    std::int64_t end = 0;
    int voice = -1; // -1 until the note has a voice
    bool bKept = false;
    std::int64_t start = 0;
    Rank higher;
};

// The sounding notes are kept highest first, so that choosing among them compares none. Of
// the lowest pitch, which comes last, the earliest is the lowest note, as among the highest.
std::size_t LowestOf(const std::vector<Sounding>& sounding)
{
    std::size_t lowest = sounding.size() - 1;
    while (lowest > 0 && sounding[lowest - 1].higher.SamePitch(sounding.back().higher))
        --lowest;
    return lowest;
}

// Marks the notes that keep sounding when only `count` can: the highest, the lowest, then the
// highest of the rest. Those are the first count - 1 and the lowest, or the first count when
// the lowest is among them (the second when all share a pitch: it is then the next lowest).
void MarkSurvivors(std::vector<Sounding>& sounding, std::size_t count)
{
    const std::size_t n = sounding.size();
    const std::size_t other =
        count >= 2 ? std::max({LowestOf(sounding), std::size_t{1}, count - 1}) : 0;
    for (std::size_t i = 0; i < n; ++i)
        sounding[i].bKept = count >= n || (count > 0 && (i + 1 < count || i == other));
}

// busy has bit v set for each voice v in use.
int FreeVoice(const std::vector<int>& voices, unsigned busy, bool bMelody)
{
    // The PC speaker plays voice 0 only: keep it for the melody.
    for (const bool bPreferred : {true, false})
        for (int voice : voices)
            if (((voice == 0) == bMelody) == bPreferred && (busy & 1u << voice) == 0)
                return voice;
    return -1;
}
} // namespace

VoiceAllocation AllocateVoices(const std::vector<MidiNote>& notes,
                               const std::vector<std::size_t>& which,
                               const std::vector<int>& voices, const CProgress& progress)
{
    VoiceAllocation result;
    result.stretches.reserve(which.size());
    std::vector<std::size_t> byStart = which;
    auto earlier = [&](std::size_t a, std::size_t b)
    { return std::tie(notes[a].start, notes[a].order) < std::tie(notes[b].start, notes[b].order); };
    // Notes read from a file come in this order already.
    if (!std::is_sorted(byStart.begin(), byStart.end(), earlier))
        std::sort(byStart.begin(), byStart.end(), earlier);

    // Every note sounding in the file, voiced or waiting for a voice to come back to.
    std::vector<Sounding> sounding;
    std::vector<bool> cut(notes.size(), false);
    auto finish = [&](Sounding& s, std::int64_t end)
    {
        if (s.voice >= 0 && end > s.start)
            result.stretches.push_back({s.note, s.voice, s.start, end});
        s.voice = -1;
    };
    constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

    // While some note waits for a voice, its ends matter too: one may let a note back in. A
    // waiting note's end changes nothing: only a voiced one frees a voice.
    bool bCrowded = false;
    std::int64_t voicedEnd = kNever;
    std::int64_t firstEnd = kNever; // of all sounding: before it no note ends
    std::vector<Sounding*> joining;
    for (std::size_t i = 0; i < byStart.size() || bCrowded;)
    {
        if (!progress.KeepGoing(i, byStart.size()))
            break;
        const std::int64_t nextStart = i < byStart.size() ? notes[byStart[i]].start : kNever;
        const std::int64_t tick = bCrowded ? std::min(nextStart, voicedEnd) : nextStart;
        if (firstEnd <= tick)
            std::erase_if(sounding,
                          [&](Sounding& s)
                          {
                              if (s.end > tick)
                                  return false;
                              finish(s, s.end);
                              return true;
                          });
        for (; i < byStart.size() && notes[byStart[i]].start == tick; ++i)
        {
            const std::size_t note = byStart[i];
            const Rank higher = RankOf(notes[note], note);
            const auto at = std::upper_bound(sounding.begin(), sounding.end(), higher,
                                             [](const Rank& rank, const Sounding& s)
                                             { return rank < s.higher; });
            sounding.insert(at, {note, notes[note].end, -1, false, tick, higher});
        }
        firstEnd = kNever;
        bCrowded = sounding.size() > voices.size();
        voicedEnd = kNever;
        if (sounding.empty())
            continue;

        MarkSurvivors(sounding, voices.size());
        const Sounding* pMelody = &sounding.front();
        unsigned busy = 0;
        joining.clear();
        for (Sounding& s : sounding)
        {
            firstEnd = std::min(firstEnd, s.end);
            if (!s.bKept)
            {
                cut[s.note] = true;
                finish(s, tick);
            }
            else if (s.voice < 0)
                joining.push_back(&s);
            else
            {
                busy |= 1u << s.voice;
                voicedEnd = std::min(voicedEnd, s.end);
            }
        }
        // The melody chooses first, then the notes that join, from the highest down.
        for (Sounding* pJoining : joining)
        {
            pJoining->voice = FreeVoice(voices, busy, pJoining == pMelody);
            pJoining->start = tick;
            if (pJoining->voice >= 0)
            {
                busy |= 1u << pJoining->voice;
                voicedEnd = std::min(voicedEnd, pJoining->end);
            }
        }
    }
    for (Sounding& s : sounding)
        finish(s, s.end);
    result.cutNotes = static_cast<int>(std::count(cut.begin(), cut.end(), true));
    return result;
}

VoiceAllocation PlayHighest(const std::vector<MidiNote>& notes,
                            const std::vector<std::size_t>& which, int voice,
                            const CProgress& progress)
{
    VoiceAllocation result;
    // (tick, 0 for an end or 1 for a start, note): ends first, so a note ending where another
    // starts gives way to it.
    std::vector<std::tuple<std::int64_t, int, std::size_t>> changes;
    for (std::size_t note : which)
    {
        changes.emplace_back(notes[note].start, 1, note);
        changes.emplace_back(notes[note].end, 0, note);
    }
    std::sort(changes.begin(), changes.end());

    std::set<std::size_t, HigherFirst> sounding(HigherFirst{&notes});
    std::vector<std::int64_t> heard(notes.size(), 0);
    bool bPlaying = false;
    VoicedNote current;
    for (std::size_t i = 0; i < changes.size();)
    {
        if (!progress.KeepGoing(i, changes.size()))
            break;
        const std::int64_t tick = std::get<0>(changes[i]);
        for (; i < changes.size() && std::get<0>(changes[i]) == tick; ++i)
        {
            if (std::get<1>(changes[i]) == 1)
                sounding.insert(std::get<2>(changes[i]));
            else
                sounding.erase(std::get<2>(changes[i]));
        }
        const bool bSame = bPlaying && !sounding.empty() && *sounding.begin() == current.note;
        if (bSame)
            continue;
        if (bPlaying)
        {
            current.end = tick;
            heard[current.note] += current.end - current.start;
            result.stretches.push_back(current);
        }
        bPlaying = !sounding.empty();
        if (bPlaying)
            current = {*sounding.begin(), voice, tick, 0};
    }
    for (std::size_t note : which)
        if (heard[note] < notes[note].end - notes[note].start)
            ++result.cutNotes;
    return result;
}
