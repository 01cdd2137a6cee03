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

struct LowerFirst
{
    const std::vector<MidiNote>* pNotes;
    bool operator()(std::size_t a, std::size_t b) const
    {
        const MidiNote& x = (*pNotes)[a];
        const MidiNote& y = (*pNotes)[b];
        return std::tie(x.pitch, x.start, x.channel, x.order, a) <
               std::tie(y.pitch, y.start, y.channel, y.order, b);
    }
};

struct Sounding
{
    std::size_t note = 0;
    int voice = -1; // -1 until the note has a voice
    std::int64_t start = 0;
};

// The notes that keep sounding when only `count` can: the highest, the lowest, then the
// highest of the rest.
std::vector<std::size_t> Survivors(const std::vector<MidiNote>& notes,
                                   std::vector<std::size_t> candidates, std::size_t count)
{
    std::vector<std::size_t> kept;
    auto takeFirst = [&](auto less)
    {
        const auto it = std::min_element(candidates.begin(), candidates.end(), less);
        kept.push_back(*it);
        candidates.erase(it);
    };
    if (count >= 1)
        takeFirst(HigherFirst{&notes});
    if (count >= 2)
        takeFirst(LowerFirst{&notes});
    while (kept.size() < count)
        takeFirst(HigherFirst{&notes});
    return kept;
}

int FreeVoice(const std::vector<int>& voices, const std::vector<Sounding>& sounding, bool bMelody)
{
    auto isFree = [&](int voice)
    {
        return std::none_of(sounding.begin(), sounding.end(),
                            [&](const Sounding& s) { return s.voice == voice; });
    };
    // The PC speaker plays voice 0 only: keep it for the melody.
    std::vector<int> preference = voices;
    std::stable_partition(preference.begin(), preference.end(),
                          [&](int voice) { return bMelody ? voice == 0 : voice != 0; });
    for (int voice : preference)
        if (isFree(voice))
            return voice;
    return -1;
}
} // namespace

VoiceAllocation AllocateVoices(const std::vector<MidiNote>& notes,
                               const std::vector<std::size_t>& which,
                               const std::vector<int>& voices)
{
    VoiceAllocation result;
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
    auto nextEnd = [&]
    {
        std::int64_t end = std::numeric_limits<std::int64_t>::max();
        // A waiting note's end changes nothing: only a voiced one frees a voice.
        for (const Sounding& s : sounding)
            if (s.voice >= 0)
                end = std::min(end, notes[s.note].end);
        return end;
    };

    // While some note waits for a voice, its ends matter too: one may let a note back in.
    bool bCrowded = false;
    std::vector<std::size_t> kept;
    std::vector<Sounding*> joining;
    for (std::size_t i = 0; i < byStart.size() || bCrowded;)
    {
        const std::int64_t nextStart =
            i < byStart.size() ? notes[byStart[i]].start : std::numeric_limits<std::int64_t>::max();
        const std::int64_t tick = bCrowded ? std::min(nextStart, nextEnd()) : nextStart;
        std::erase_if(sounding,
                      [&](Sounding& s)
                      {
                          if (notes[s.note].end > tick)
                              return false;
                          finish(s, notes[s.note].end);
                          return true;
                      });
        for (; i < byStart.size() && notes[byStart[i]].start == tick; ++i)
            sounding.push_back({byStart[i], -1, tick});
        bCrowded = sounding.size() > voices.size();

        kept.clear();
        for (const Sounding& s : sounding)
            kept.push_back(s.note);
        if (bCrowded)
            kept = Survivors(notes, kept, voices.size());
        auto isKept = [&](const Sounding& s)
        { return std::find(kept.begin(), kept.end(), s.note) != kept.end(); };
        for (Sounding& s : sounding)
            if (!isKept(s))
            {
                cut[s.note] = true;
                finish(s, tick);
            }
        joining.clear();
        for (Sounding& s : sounding)
            if (s.voice < 0 && isKept(s))
                joining.push_back(&s);
        if (joining.empty())
            continue;

        const std::size_t melody = std::min_element(sounding.begin(), sounding.end(),
                                                    [&](const Sounding& a, const Sounding& b)
                                                    { return HigherFirst{&notes}(a.note, b.note); })
                                       ->note;
        // The melody chooses first, then the notes that join, from the highest down.
        std::sort(joining.begin(), joining.end(),
                  [&](const Sounding* pA, const Sounding* pB)
                  { return HigherFirst{&notes}(pA->note, pB->note); });
        for (Sounding* pJoining : joining)
        {
            pJoining->voice = FreeVoice(voices, sounding, pJoining->note == melody);
            pJoining->start = tick;
        }
    }
    for (Sounding& s : sounding)
        finish(s, notes[s.note].end);
    result.cutNotes = static_cast<int>(std::count(cut.begin(), cut.end(), true));
    return result;
}

VoiceAllocation PlayHighest(const std::vector<MidiNote>& notes,
                            const std::vector<std::size_t>& which, int voice)
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
