// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/SineInstrumentVoice.h"

#include "playback/AudioFormat.h"
#include "playback/ToneSynth.h"
#include "sound/SoundDoc.h"

#include <cmath>

namespace
{
constexpr double kTwoPiRadians = 6.283185307179586;
constexpr double kToneClockHz = 111860.0;

bool StartsNote(const RowEntry& entry)
{
    return entry.note < NOTE_OFF;
}
} // namespace

bool CSineInstrumentVoice::BeginRow(const CRowQueue& queue, const CSoundDoc& doc)
{
    if (queue.GetCount() < 3)
        return m_mode != Mode::Plain;
    const RowEntry& row = queue[1];
    m_bFadeIn = false;
    if (StartsNote(row))
    {
        const CInstrument* pInstrument =
            row.instrument != kNoInstrument ? doc.FindInstrument(row.instrument) : nullptr;
        if (pInstrument != nullptr)
            StartNote(row, *pInstrument);
        else
            m_mode = Mode::Plain;
    }
    else if (row.note != NOTE_EMPTY && m_mode == Mode::Held)
        m_mode = m_voice.Release() ? Mode::Releasing : Mode::Plain;
    else if (m_mode == Mode::Held)
        m_voice.SetAttenuation(row.attenuation);
    m_bFadeOut = EndsBefore(queue[2]);
    return m_mode != Mode::Plain;
}

void CSineInstrumentVoice::StartNote(const RowEntry& entry, const CInstrument& instrument)
{
    m_instrument = instrument;
    SoundCell cell = SoundCell::Empty();
    cell.note = entry.note;
    cell.divisor = entry.divisor;
    m_voice.Start(cell, entry.attenuation, m_instrument);
    m_mode = Mode::Held;
    m_bFadeIn = true;
    m_phase = 0.0;
}

bool CSineInstrumentVoice::EndsBefore(const RowEntry& next) const
{
    if (StartsNote(next))
        return true;
    // A rest lets a held note go: it ends unless its volume has a release to run.
    if (next.note == NOTE_EMPTY || m_mode != Mode::Held)
        return false;
    const InstrumentSequence& volume = m_instrument.GetSequence(SequenceKind::Volume);
    return volume.Empty() || !volume.HasRelease();
}

void CSineInstrumentVoice::RenderTick(std::int16_t* pOut, unsigned n, unsigned rowPos,
                                      unsigned rowSamples, const double* pRamp, unsigned ramp)
{
    const VoiceTick tick = m_voice.Next();
    const double hz = kToneClockHz / tick.setting;
    const double omega = kTwoPiRadians * hz / kSampleRate;
    // A pitch the sample rate cannot carry would fold back as another one.
    const double amplitude =
        hz < kSampleRate / 2.0 ? CToneSynth::Amplitude(tick.atten) * CToneSynth::kPeak : 0.0;
    const double k = 2.0 * std::cos(omega);
    double y2 = std::sin(m_phase - 2.0 * omega);
    double y1 = std::sin(m_phase - omega);
    for (unsigned i = 0; i < n; ++i)
    {
        const double y = k * y1 - y2;
        y2 = y1;
        y1 = y;
        auto sample = static_cast<std::int16_t>(y * amplitude);
        const unsigned pos = rowPos + i;
        if (m_bFadeOut && pos + ramp >= rowSamples)
            sample = static_cast<std::int16_t>(sample * pRamp[rowSamples - 1 - pos]);
        if (m_bFadeIn && pos < ramp)
            sample = static_cast<std::int16_t>(sample * pRamp[pos]);
        pOut[i] = sample;
    }
    m_phase = std::fmod(m_phase + n * omega, kTwoPiRadians);
}
