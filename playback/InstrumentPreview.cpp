// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/InstrumentPreview.h"

#include "sound/AgiTone.h"
#include "sound/SoundDoc.h"

namespace
{
SoundCell PreviewCell(int note, bool bNoise)
{
    SoundCell cell = SoundCell::Empty();
    if (bNoise)
    {
        cell.freq = 0;
        cell.noiseType = NOISE_WHITE;
    }
    else
        cell.note = static_cast<std::uint8_t>(note);
    cell.atten = 0;
    cell.instrument = 1;
    return cell;
}

SoundCell RestCell(bool bNoise)
{
    SoundCell cell = SoundCell::Empty();
    if (bNoise)
        cell.freq = FREQ_OFF;
    else
        cell.note = NOTE_OFF;
    return cell;
}
} // namespace

namespace InstrumentPreview
{
std::vector<VoiceTick> Ticks(int note, const CInstrument& instrument, bool bNoise)
{
    CInstrumentVoice voice(bNoise);
    voice.Start(PreviewCell(note, bNoise), 0, instrument);
    std::vector<VoiceTick> ticks;
    for (int tick = 0; tick < kHoldTicks; ++tick)
        ticks.push_back(voice.Next());
    if (voice.Release())
        while (static_cast<int>(ticks.size()) < kMaxTicks)
            ticks.push_back(voice.Next());
    while (!ticks.empty() && ticks.back().atten >= kAgiSilentAttenuation)
        ticks.pop_back();
    return ticks;
}

AgiVoiceRecords Records(int note, const CInstrument& instrument, bool bNoise)
{
    // A document of the one note, at a tempo of one tick a row.
    CSoundDoc doc;
    doc.AssignProperties({.beatsPerMinute = 500, .stepSize = 16, .tracksPerBeat = 1});
    CInstrument shape = instrument;
    shape.SetNumber(1);
    doc.AssignInstruments({shape});
    const int channel = bNoise ? kNoiseChannel : 0;
    CSoundPattern* pPattern = doc.CreatePattern(channel, kMaxTicks);
    pPattern->SetCell(0, PreviewCell(note, bNoise));
    pPattern->SetCell(kHoldTicks, RestCell(bNoise));
    doc.PlacePattern(channel, 0, pPattern);
    return BuildAgiRecords(doc, {0, kMaxTicks});
}
} // namespace InstrumentPreview
