// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/InstrumentVoice.h"

#include "sound/AgiTone.h"

#include <algorithm>
#include <cmath>

namespace
{
long RoundHalfUp(double value)
{
    return static_cast<long>(std::floor(value + 0.5));
}
} // namespace

void CInstrumentVoice::Cursor::Reset(const InstrumentSequence& sequence)
{
    pSequence = sequence.Empty() ? nullptr : &sequence;
    next = 0;
    played = 0;
    bConstantLoop = false;
    if (pSequence != nullptr && sequence.HasLoop())
    {
        const int end = sequence.HasRelease() ? sequence.release : sequence.Length();
        const auto first = sequence.values.begin() + sequence.loop;
        bConstantLoop = std::all_of(first, sequence.values.begin() + end,
                                    [&](int value) { return value == *first; });
    }
}

int CInstrumentVoice::Cursor::Value() const
{
    return pSequence != nullptr ? pSequence->values[static_cast<std::size_t>(played)] : 0;
}

int CInstrumentVoice::Cursor::Play()
{
    if (pSequence == nullptr)
        return 0;
    played = next;
    // A release at the first value holds that value.
    const int end = std::max(1, pSequence->HasRelease() ? pSequence->release : pSequence->Length());
    if (next + 1 < end)
        ++next;
    else
        next = pSequence->HasLoop() ? pSequence->loop : end - 1;
    return Value();
}

bool CInstrumentVoice::Cursor::IsSteady() const
{
    if (pSequence == nullptr)
        return true;
    if (!pSequence->HasLoop())
        return next == played; // holding its last value
    return bConstantLoop && played >= pSequence->loop;
}

int CInstrumentVoice::ToneDivisor(const SoundCell& cell, int semitones, int cents)
{
    double divisor = 0;
    if (cell.HasExactNote())
        divisor = RoundHalfUp((cell.divisor == 0 ? 1024.0 : cell.divisor) *
                              std::pow(2.0, -semitones / 12.0));
    else
        divisor = AgiDivisorOfNote(std::clamp(cell.note + semitones, 0, kMaxNote));
    const long scaled = RoundHalfUp(divisor * std::pow(2.0, -cents / 1200.0));
    return static_cast<int>(std::clamp(scaled, 1L, static_cast<long>(kAgiMaxToneDivisor)));
}

void CInstrumentVoice::Start(const SoundCell& cell, int atten, const CInstrument& instrument)
{
    m_cell = cell;
    m_nAtten = atten & 0x0F;
    m_bReleasing = false;
    for (const SequenceKind kind : kSequenceKinds)
        CursorOf(kind).Reset(instrument.GetSequence(kind));
    // A note that ends before its first tick still has a pitch to release at.
    m_lastHeld = Sound(CursorOf(SequenceKind::Volume).Value(),
                       CursorOf(SequenceKind::Arpeggio).Value(),
                       CursorOf(SequenceKind::Pitch).Value(), CursorOf(SequenceKind::Noise).Value());
}

VoiceTick CInstrumentVoice::Sound(int volume, int semitones, int cents, int noise) const
{
    VoiceTick tick;
    tick.atten = std::clamp(m_nAtten + volume, 0, kAgiSilentAttenuation);
    if (!m_bNoise)
        tick.setting = ToneDivisor(m_cell, semitones, cents);
    else if (CursorOf(SequenceKind::Noise).pSequence != nullptr)
        tick.setting = noise & 7;
    else
        tick.setting = (m_cell.freq & 3) | (m_cell.noiseType != 0 ? 4 : 0);
    return tick;
}

bool CInstrumentVoice::Release()
{
    const InstrumentSequence* pVolume = CursorOf(SequenceKind::Volume).pSequence;
    m_bReleasing = pVolume != nullptr && pVolume->HasRelease();
    m_nReleasePos = m_bReleasing ? pVolume->release : 0;
    return m_bReleasing;
}

VoiceTick CInstrumentVoice::Next()
{
    if (m_bReleasing)
    {
        const InstrumentSequence& volume = *CursorOf(SequenceKind::Volume).pSequence;
        if (m_nReleasePos >= volume.Length())
        {
            m_nReleasePos = volume.Length() + 1; // silent from here on
            return {m_lastHeld.setting, kAgiSilentAttenuation};
        }
        const int value = volume.values[static_cast<std::size_t>(m_nReleasePos++)];
        return {m_lastHeld.setting,
                std::clamp(m_nAtten + value, 0, kAgiSilentAttenuation)};
    }
    const int volume = CursorOf(SequenceKind::Volume).Play();
    const int semitones = CursorOf(SequenceKind::Arpeggio).Play();
    const int cents = CursorOf(SequenceKind::Pitch).Play();
    const int noise = CursorOf(SequenceKind::Noise).Play();
    m_lastHeld = Sound(volume, semitones, cents, noise);
    return m_lastHeld;
}

bool CInstrumentVoice::IsSteady() const
{
    if (m_bReleasing)
        return m_nReleasePos > CursorOf(SequenceKind::Volume).pSequence->Length();
    return std::all_of(m_cursors.begin(), m_cursors.end(),
                       [](const Cursor& cursor) { return cursor.IsSteady(); });
}
